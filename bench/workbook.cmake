# Workbook writer: a full sheet of 65,536 rows written to an Excel 97 file.
if(TARGET workbook)
    tessel_add_benchmark(bench_workbook_writer
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/workbook_writer.cpp
        LIBS workbook)
endif()
