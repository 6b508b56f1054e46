if(TARGET console)
    tessel_add_benchmark(bench_output_list SOURCES ${CMAKE_CURRENT_LIST_DIR}/output_list_bench.cpp
                         LIBS console)
endif()
