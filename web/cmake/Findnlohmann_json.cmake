# nlohmann-json's headers for the emscripten build (see deps.cmake).
set(nlohmann_json_FOUND TRUE)
if(NOT TARGET nlohmann_json::nlohmann_json)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${VOLTRIGG_WEB_DEPS})
endif()
