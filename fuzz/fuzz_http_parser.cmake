# The request parser and the body readers are compiled into the target itself so that libFuzzer sees their
# branches (the API library is built without coverage instrumentation).
amplora_add_fuzzer(fuzz_http_parser
  SOURCES
    fuzz_http_parser.cpp
    ${PROJECT_SOURCE_DIR}/src/api/http/HTTPRequestParser.cpp
    ${PROJECT_SOURCE_DIR}/src/api/http/JSONBody.cpp
    ${PROJECT_SOURCE_DIR}/src/api/http/HTTPResponse.cpp
    ${PROJECT_SOURCE_DIR}/src/api/http/JSONEncoder.cpp
    ${PROJECT_SOURCE_DIR}/src/api/http/JSONValue.cpp
    ${PROJECT_SOURCE_DIR}/src/api/http/APIError.cpp
  LIBS amplora_api nlohmann_json::nlohmann_json)
