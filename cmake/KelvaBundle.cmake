# The plug-in bundle: Kelva.vst3/Contents/x86_64-linux/Kelva.so (the Kelva
# target) and its resources in Kelva.vst3/Contents/Resources. Included after
# every layer, so that the generated factory bank is known.
set(KELVA_RESOURCES_DIR ${KELVA_BUNDLE_DIR}/Contents/Resources)

set(bundle_outputs)
set(bundle_depends)
file(GLOB static_resources CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/resources/*.ini
  ${CMAKE_SOURCE_DIR}/resources/*.png
  ${CMAKE_SOURCE_DIR}/resources/*.jpg
  ${CMAKE_SOURCE_DIR}/resources/*.ttf)
foreach(file ${static_resources})
  get_filename_component(name ${file} NAME)
  add_custom_command(OUTPUT ${KELVA_RESOURCES_DIR}/${name}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${KELVA_RESOURCES_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${file} ${KELVA_RESOURCES_DIR}/${name}
    DEPENDS ${file} VERBATIM)
  list(APPEND bundle_outputs ${KELVA_RESOURCES_DIR}/${name})
endforeach()

get_property(KELVA_FACTORY_BANK GLOBAL PROPERTY KELVA_FACTORY_BANK)
if(KELVA_FACTORY_BANK)
  add_custom_command(OUTPUT ${KELVA_RESOURCES_DIR}/init.fxb
    COMMAND ${CMAKE_COMMAND} -E make_directory ${KELVA_RESOURCES_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${KELVA_FACTORY_BANK} ${KELVA_RESOURCES_DIR}/init.fxb
    DEPENDS ${KELVA_FACTORY_BANK} VERBATIM)
  list(APPEND bundle_outputs ${KELVA_RESOURCES_DIR}/init.fxb)
endif()

add_custom_target(kelva_bundle ALL DEPENDS ${bundle_outputs})
add_dependencies(kelva_bundle Kelva)
if(TARGET factory_bank)
  add_dependencies(kelva_bundle factory_bank)
endif()

# cmake --install puts the bundle into the per-user VST 3 folder of whoever
# installs (~/.vst3, resolved at install time), or into KELVA_VST3_DIR.
set(KELVA_VST3_DIR "" CACHE PATH "Folder to install Kelva.vst3 into (default: ~/.vst3 at install time)")
install(CODE "
  set(kelva_vst3_dir \"${KELVA_VST3_DIR}\")
  if(NOT kelva_vst3_dir)
    set(kelva_vst3_dir \"\$ENV{HOME}/.vst3\")
  endif()
  file(MAKE_DIRECTORY \"\${kelva_vst3_dir}\")
  file(INSTALL \"${KELVA_BUNDLE_DIR}\" DESTINATION \"\${kelva_vst3_dir}\" USE_SOURCE_PERMISSIONS)
")
