# The workbook reader on arbitrary bytes.
if(TARGET workbook)
    tessel_add_fuzzer(fuzz_workbook_reader
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_workbook_reader.cpp
        LIBS workbook)
endif()
