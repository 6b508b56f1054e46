# Firebird scripter on the embedded engine against the bare client API: a
# script of 20,000 INSERT statements and a SELECT of 200,000 rows.
# bench/compare_isql.sh runs the same workloads through tessel-cli and isql.
if(TARGET scripter)
    add_library(scripter_bench_workload STATIC ${CMAKE_CURRENT_LIST_DIR}/scripter_workload.cpp)
    target_link_libraries(scripter_bench_workload PUBLIC scripter benchmark::benchmark)
    tessel_add_benchmark(bench_scripter_insert
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/scripter_insert.cpp
        LIBS scripter_bench_workload)
    tessel_add_benchmark(bench_bare_client
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/bare_client.cpp
        LIBS scripter_bench_workload)
    tessel_add_benchmark(bench_scripter_select
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/scripter_select.cpp
        LIBS scripter_bench_workload)
endif()
