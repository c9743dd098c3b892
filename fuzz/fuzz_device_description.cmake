# The SSDP answer and device-description parsers are compiled into the target itself so that libFuzzer sees their
# branches.
amplora_add_fuzzer(fuzz_device_description
  SOURCES
    fuzz_device_description.cpp
    ${PROJECT_SOURCE_DIR}/src/core/discovery/DeviceDescription.cpp
    ${PROJECT_SOURCE_DIR}/src/core/discovery/HostAddress.cpp
    ${PROJECT_SOURCE_DIR}/src/core/discovery/SSDPSearch.cpp
  LIBS amplora_core)
