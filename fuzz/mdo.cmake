if(TARGET mdo)
    tessel_add_fuzzer(fuzz_preprocess_params
                      SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_preprocess_params.cpp LIBS mdo)
endif()
