# The sources of the core library (no Qt), for the main build and the fuzz
# build alike: tavrin_core_sources(VAR ROOT) sets VAR to them, ROOT being the
# top of the source tree. The folders are the core's layers, lowest first.
set(TAVRIN_CORE_FOLDERS base model interp exec codegen layout)
function(tavrin_core_sources var root)
  set(globs)
  foreach(folder ${TAVRIN_CORE_FOLDERS})
    list(APPEND globs ${root}/src/${folder}/*.cpp)
  endforeach()
  file(GLOB sources CONFIGURE_DEPENDS ${globs})
  set(${var} ${sources} PARENT_SCOPE)
endfunction()
