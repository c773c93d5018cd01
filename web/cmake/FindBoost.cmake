# Boost's headers for the emscripten build (see deps.cmake).
set(Boost_FOUND TRUE)
if(NOT TARGET Boost::headers)
  add_library(Boost::headers INTERFACE IMPORTED)
  target_include_directories(Boost::headers SYSTEM INTERFACE ${VOLTRIGG_WEB_DEPS})
endif()
