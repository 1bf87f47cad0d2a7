# One library per top-level folder; every .cpp below it belongs to it.
# A library without sources yet is an interface library so dependants still link.
# Paths are the project's own, so the project can be built inside another CMake project.
function(ordane_library name)
  cmake_parse_arguments(ARG "" "" "PUBLIC_LIBS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/${name}/*.cpp")
  # A program's entry stays out, so the program and the tests link the same library.
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}")
    target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LIBS})
    target_compile_features(${name} PUBLIC cxx_std_20)
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE "${PROJECT_SOURCE_DIR}")
    target_link_libraries(${name} INTERFACE ${ARG_PUBLIC_LIBS})
    target_compile_features(${name} INTERFACE cxx_std_20)
  endif()
endfunction()
