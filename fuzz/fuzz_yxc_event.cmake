# The push-event parser and the lenient JSON reading it uses are compiled into the target itself so that
# libFuzzer sees their branches.
amplora_add_fuzzer(fuzz_yxc_event
  SOURCES
    fuzz_yxc_event.cpp
    ${PROJECT_SOURCE_DIR}/src/core/events/YXCEvent.cpp
    ${PROJECT_SOURCE_DIR}/src/core/protocol/DecodingError.cpp
    ${PROJECT_SOURCE_DIR}/src/core/protocol/LenientJson.cpp
    ${PROJECT_SOURCE_DIR}/src/core/protocol/LenientText.cpp
  LIBS amplora_core nlohmann_json::nlohmann_json)
