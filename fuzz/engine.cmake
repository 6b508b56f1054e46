if(TARGET engine)
    tessel_add_fuzzer(fuzz_execute_script SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_execute_script.cpp
                      LIBS engine)
    target_include_directories(fuzz_execute_script PRIVATE ${PROJECT_SOURCE_DIR}/tests/engine)
endif()
