# Shared compile settings. Every target of the project goes through amplora_target_defaults().

set(AMPLORA_SOURCE_ROOT "${PROJECT_SOURCE_DIR}")

function(amplora_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wno-unused-parameter)
  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    # QCoro's awaiters trip this on clang 14; it carries no information for us.
    target_compile_options(${target} PRIVATE -Wshadow-uncaptured-local -Wno-gnu-zero-variadic-macro-arguments)
  else()
    # g++ 12 also warns about members left out of a designated initializer, even those with a default: the very
    # thing designated initializers are for.
    target_compile_options(${target} PRIVATE -Wshadow=local -Wno-missing-field-initializers)
  endif()
  if(AMPLORA_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  target_compile_definitions(${target} PRIVATE
    QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_URL_CAST_FROM_STRING
    QT_NO_CAST_FROM_BYTEARRAY QT_NO_NARROWING_CONVERSIONS_IN_CONNECT QT_NO_FOREACH QT_NO_KEYWORDS)
  target_include_directories(${target} PRIVATE "${AMPLORA_SOURCE_ROOT}/src")
endfunction()

if(AMPLORA_SANITIZE)
  # vptr checks misfire on Qt's cross-library casts; everything else stays on. clang 14 cannot emit the function
  # check for coroutines that await QCoro's signal, timer or waitFor awaiters ("Cannot represent a difference
  # across sections"), so that check is off too.
  add_compile_options(-fsanitize=address,undefined -fno-sanitize=vptr -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    add_compile_options(-fno-sanitize=function)
  endif()
  add_link_options(-fsanitize=address,undefined -fno-sanitize=vptr)
endif()

# Collects the sources of one library folder. New files are picked up at the next build.
function(amplora_glob_sources out dir)
  file(GLOB_RECURSE found CONFIGURE_DEPENDS "${dir}/*.cpp" "${dir}/*.h")
  set(${out} ${found} PARENT_SCOPE)
endfunction()

add_compile_definitions(AMPLORA_VERSION="${PROJECT_VERSION}")
