# The request parser and the body readers are compiled into the target itself so that libFuzzer sees their
# branches (the API library is built without coverage instrumentation).
amplora_add_fuzzer(fuzz_http_parser
  SOURCES
    fuzz_http_parser.cpp
    ${AMPLORA_FUZZ_HTTP_SOURCES}
  LIBS amplora_api nlohmann_json::nlohmann_json)
