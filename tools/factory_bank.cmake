# The factory bank. Its programs are kept as readable text
# (resources/programs.txt) and turned into the bank file by a tool of their
# own, so they are reviewed as text and the bank is never edited by hand.

add_executable(kelva-make-factory-bank ${CMAKE_CURRENT_LIST_DIR}/make-factory-bank.cpp)
if(NOT TARGET PkgConfig::SMF)
  pkg_check_modules(SMF REQUIRED IMPORTED_TARGET smf)
endif()
target_link_libraries(kelva-make-factory-bank PRIVATE kelva_instrument PkgConfig::SNDFILE PkgConfig::SMF)

set(KELVA_PROGRAMS_SOURCE ${PROJECT_SOURCE_DIR}/resources/programs.txt)
set(KELVA_FACTORY_BANK ${CMAKE_BINARY_DIR}/resources/init.fxb)
# The bundle step copies the bank into Kelva.vst3/Contents/Resources; it may
# live in another folder, so the path is published as a global property too.
# Depend on the target factory_bank to have it built first.
set_property(GLOBAL PROPERTY KELVA_FACTORY_BANK ${KELVA_FACTORY_BANK})
set_property(GLOBAL PROPERTY KELVA_PROGRAMS_SOURCE ${KELVA_PROGRAMS_SOURCE})

add_custom_command(
  OUTPUT ${KELVA_FACTORY_BANK}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/resources
  COMMAND kelva-make-factory-bank ${KELVA_PROGRAMS_SOURCE} ${KELVA_FACTORY_BANK}
  DEPENDS kelva-make-factory-bank ${KELVA_PROGRAMS_SOURCE}
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  COMMENT "Building the factory bank from resources/programs.txt"
  VERBATIM)
add_custom_target(factory_bank ALL DEPENDS ${KELVA_FACTORY_BANK})

# The instrument tests load the generated bank and read its source with the
# same parser; the tests folder is defined after this one, hence the deferred
# call.
if(KELVA_TESTS)
  function(kelva_factory_bank_test_inputs)
    if(TARGET instrument_tests)
      get_property(bank GLOBAL PROPERTY KELVA_FACTORY_BANK)
      get_property(source GLOBAL PROPERTY KELVA_PROGRAMS_SOURCE)
      add_dependencies(instrument_tests factory_bank)
      target_include_directories(instrument_tests PRIVATE ${PROJECT_SOURCE_DIR}/tools)
      target_compile_definitions(instrument_tests PRIVATE
        KELVA_FACTORY_BANK_PATH="${bank}"
        KELVA_PROGRAMS_PATH="${source}")
    endif()
  endfunction()
  cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL kelva_factory_bank_test_inputs)
endif()
