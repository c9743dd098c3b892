# The receiver answer decoders and the wire encoder are compiled into the target itself so that libFuzzer sees
# their branches (the core library is built without coverage instrumentation).
amplora_add_fuzzer(fuzz_yxc_decoder
  SOURCES
    fuzz_yxc_decoder.cpp
    ${PROJECT_SOURCE_DIR}/src/core/protocol/YXCDecoder.cpp
    ${PROJECT_SOURCE_DIR}/src/core/protocol/YXCEncoder.cpp
    ${PROJECT_SOURCE_DIR}/src/core/protocol/DecodingError.cpp
    ${PROJECT_SOURCE_DIR}/src/core/protocol/LenientJson.cpp
    ${PROJECT_SOURCE_DIR}/src/core/protocol/LenientText.cpp
  LIBS amplora_core nlohmann_json::nlohmann_json)
