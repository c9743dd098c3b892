# The push-event parser is compiled into the target itself so that libFuzzer sees its branches.
amplora_add_fuzzer(fuzz_yxc_event
  SOURCES
    fuzz_yxc_event.cpp
    ${PROJECT_SOURCE_DIR}/src/core/events/YXCEvent.cpp
  LIBS amplora_core nlohmann_json::nlohmann_json)
