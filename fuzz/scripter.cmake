if(TARGET scripter)
    # The scripter loads the Firebird client, whose threads meet the same leak
    # checker fault as the tests do: the tests' sanitizer settings apply here too.
    tessel_add_fuzzer(fuzz_scripter_commands
                      SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_scripter_commands.cpp
                              ${PROJECT_SOURCE_DIR}/tests/support/lsan_suppressions.cpp
                      LIBS scripter)
endif()
