# Compiler warnings and sanitizers shared by every target.
option(KELVA_WERROR "Treat warnings as errors" OFF)
option(KELVA_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

add_compile_options(-Wall -Wextra)
if(KELVA_WERROR)
  add_compile_options(-Werror)
endif()

if(KELVA_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# Adds a static library from every .cpp in DIR matching an optional regex
# filter; an empty set of sources yields an INTERFACE library so that the
# layers can be linked before they have code.
function(kelva_layer_library name dir)
  cmake_parse_arguments(ARG "" "FILTER;EXCLUDE" "" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.c)
  if(ARG_FILTER)
    list(FILTER srcs INCLUDE REGEX "${ARG_FILTER}")
  endif()
  if(ARG_EXCLUDE)
    list(FILTER srcs EXCLUDE REGEX "${ARG_EXCLUDE}")
  endif()
  if(srcs)
    add_library(${name} STATIC ${srcs})
    target_include_directories(${name} PUBLIC ${dir})
    set(scope PUBLIC)
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${dir})
    set(scope INTERFACE)
  endif()
  set(KELVA_LAYER_SCOPE ${scope} PARENT_SCOPE)
endfunction()
