if(TARGET scripter)
    tessel_add_fuzzer(fuzz_scripter_commands
                      SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz_scripter_commands.cpp LIBS scripter)
endif()
