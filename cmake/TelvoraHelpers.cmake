# Shared shapes of the project's targets.

function(telvora_apply_warnings target)
  # KDE's set, without -Wzero-as-null-pointer-constant: GCC 12 reports it at the end of every
  # coroutine, in code the compiler makes itself.
  target_compile_options(${target} PRIVATE -Wall -Wextra
    -Wnon-virtual-dtor -Woverloaded-virtual -Wsuggest-override -Wlogical-op -Wvla -Wundef -Wcast-align)
  if(TELVORA_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  target_compile_definitions(${target} PRIVATE
    QT_NO_KEYWORDS
    QT_NO_CAST_FROM_ASCII
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_URL_CAST_FROM_STRING
    QT_NO_FOREACH
    QT_NO_CAST_TO_ASCII
    QT_NO_CAST_FROM_BYTEARRAY
    QT_USE_QSTRINGBUILDER
    QT_STRICT_ITERATORS)
  if(TELVORA_ASAN)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
  if(TELVORA_TSAN)
    target_compile_options(${target} PRIVATE -fsanitize=thread -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=thread)
  endif()
endfunction()

# telvora_add_library(<name> LINKS <public libs...>)
# Sources are added by the subfolders through target_sources().
function(telvora_add_library name)
  cmake_parse_arguments(ARG "" "" "LINKS" ${ARGN})
  add_library(${name} STATIC)
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_LINKS})
  telvora_apply_warnings(${name})
endfunction()

# telvora_add_test(<name> SOURCES <files...> LINKS <libs...> [ENVIRONMENT <k=v...>] [TIMEOUT <s>])
# One GoogleTest executable; each test case becomes a CTest test.
function(telvora_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LINKS;ENVIRONMENT;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LINKS} GTest::gtest GTest::gmock TelvoraTestSupport)
  telvora_apply_warnings(${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  set(properties TIMEOUT ${ARG_TIMEOUT})
  if(ARG_LABELS)
    list(APPEND properties LABELS "${ARG_LABELS}")
  endif()
  if(ARG_ENVIRONMENT)
    list(APPEND properties ENVIRONMENT "${ARG_ENVIRONMENT}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES ${properties})
endfunction()

# telvora_add_benchmark(<name> SOURCES <files...> LINKS <libs...>)
function(telvora_add_benchmark name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LINKS} benchmark::benchmark)
  telvora_apply_warnings(${name})
endfunction()
