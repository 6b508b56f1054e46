if(TARGET scripter)
    # The scripter loads the Firebird client, whose threads meet the same leak
    # checker fault as the tests do; its leaks are suppressed by name.
    tessel_add_fuzzer(fuzz_scripter_commands
                      SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_scripter_commands.cpp
                              ${CMAKE_CURRENT_LIST_DIR}/lsan_client.cpp
                      LIBS scripter)
endif()
