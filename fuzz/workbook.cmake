# The workbook reader on arbitrary bytes.
tessel_add_fuzzer(fuzz_workbook_reader
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_workbook_reader.cpp
    LIBS workbook)
