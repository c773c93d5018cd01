# Emscripten's sysroot holds no Boost or nlohmann-json. Their Debian headers
# are header-only; they are linked one by one into a folder of the
# build, so that /usr/include as a whole (glibc's headers) never reaches the
# compiler. The Find modules below then offer the usual targets.
set(VOLTRIGG_WEB_DEPS ${CMAKE_BINARY_DIR}/deps/include)
file(MAKE_DIRECTORY ${VOLTRIGG_WEB_DEPS})
foreach(dir boost nlohmann)
  if(NOT EXISTS /usr/include/${dir})
    message(FATAL_ERROR "/usr/include/${dir} is missing: install libboost-math-dev and nlohmann-json3-dev")
  endif()
  if(NOT EXISTS ${VOLTRIGG_WEB_DEPS}/${dir})
    file(CREATE_LINK /usr/include/${dir} ${VOLTRIGG_WEB_DEPS}/${dir} SYMBOLIC)
  endif()
endforeach()
list(PREPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})

# The core reports failures by exceptions (RunError); emscripten catches them
# only when every object is built and linked for them. WebAssembly's own
# exceptions (Chromium 95, Firefox 100, Node 17 and later) cost nothing until
# one is thrown; emscripten's JavaScript ones wrap every call that may throw
# in a call out to JavaScript and back, which made a planning run slower.
option(VOLTRIGG_WASM_EXCEPTIONS "WebAssembly exceptions (else emscripten's JavaScript ones)" ON)
if(VOLTRIGG_WASM_EXCEPTIONS)
  string(APPEND CMAKE_CXX_FLAGS " -fwasm-exceptions")
  string(APPEND CMAKE_EXE_LINKER_FLAGS " -fwasm-exceptions")
else()
  string(APPEND CMAKE_CXX_FLAGS " -fexceptions")
  string(APPEND CMAKE_EXE_LINKER_FLAGS " -fexceptions")
endif()

# The libc++ of Debian's emscripten has no floating-point std::from_chars.
string(APPEND CMAKE_CXX_FLAGS " -include ${CMAKE_CURRENT_LIST_DIR}/../compat/charconv_float.h")

# Nor a <stop_token> (web/compat/include).
string(APPEND CMAKE_CXX_FLAGS " -isystem ${CMAKE_CURRENT_LIST_DIR}/../compat/include")
