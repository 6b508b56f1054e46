if(TARGET engine)
    tessel_add_benchmark(bench_script_split SOURCES ${CMAKE_CURRENT_LIST_DIR}/script_split.cpp
                         LIBS engine)
endif()
