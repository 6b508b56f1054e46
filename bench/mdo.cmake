# TMDOSQL against the bare client API: a SELECT of 200,000 rows read as text,
# and a 50 MB blob written and read back. Shares the scripter benchmarks'
# table and helpers.
if(TARGET scripter)
    tessel_add_benchmark(bench_mdo_sql SOURCES ${CMAKE_CURRENT_LIST_DIR}/mdo_sql.cpp
                         LIBS scripter_bench_workload mdo)
endif()
