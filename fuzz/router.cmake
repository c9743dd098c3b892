# The parser, the router and everything it calls are compiled into the target itself so that libFuzzer sees
# their branches (the API library is built without coverage instrumentation). The fakes come from the tests.
amplora_add_fuzzer(fuzz_router
  SOURCES
    FuzzRouter.cpp
    ${PROJECT_SOURCE_DIR}/src/api/router/APIRouter.cpp
    ${PROJECT_SOURCE_DIR}/src/api/router/RequestBodies.cpp
    ${PROJECT_SOURCE_DIR}/src/api/router/RouterErrors.cpp
    ${PROJECT_SOURCE_DIR}/src/api/matching/NameMatcher.cpp
    ${PROJECT_SOURCE_DIR}/src/base/NameKey.cpp
    ${PROJECT_SOURCE_DIR}/src/api/matching/VolumeRateLimiter.cpp
    ${PROJECT_SOURCE_DIR}/src/api/control/ControlError.cpp
    ${PROJECT_SOURCE_DIR}/src/api/control/ReceiverStatus.cpp
    ${PROJECT_SOURCE_DIR}/src/api/control/JSONObjectReader.cpp
    ${PROJECT_SOURCE_DIR}/src/api/scenes/ReceiverScene.cpp
    ${AMPLORA_FUZZ_HTTP_SOURCES}
    ${PROJECT_SOURCE_DIR}/src/api/http/DecibelText.cpp
    ${PROJECT_SOURCE_DIR}/src/api/auth/TokenAuthenticator.cpp
    ${PROJECT_SOURCE_DIR}/tests/support/FakeReceiverControl.cpp
    ${PROJECT_SOURCE_DIR}/tests/support/MemorySceneStore.cpp
    ${PROJECT_SOURCE_DIR}/tests/support/ManualClock.cpp
  LIBS amplora_api nlohmann_json::nlohmann_json)
target_include_directories(fuzz_router PRIVATE "${PROJECT_SOURCE_DIR}/tests")
