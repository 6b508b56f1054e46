# Result formatting: 200,000 buffered rows of five typed columns rendered to lines.
if(TARGET scripter)
    tessel_add_benchmark(bench_output_format
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/output_format.cpp
        LIBS scripter)
endif()
