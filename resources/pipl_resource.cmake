# The PiPL bytes are generated from the same definition the tests check, by
# a small program run at build time (under wine in the cross build), and
# embedded by the resource compiler as type "PIPL", id 16000, language 1033.
enable_language(RC)
add_executable(pipl_writer ${PRISMORA_ROOT}/resources/pipl_writer_main.cpp ${PRISMORA_ROOT}/resources/pipl_resource.cpp)
target_include_directories(pipl_writer PRIVATE ${PRISMORA_ROOT})
target_link_options(pipl_writer PRIVATE -static -static-libgcc -static-libstdc++)
set(PIPL_BIN ${CMAKE_BINARY_DIR}/resources/pipl.bin)
add_custom_command(OUTPUT ${PIPL_BIN}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/resources
  COMMAND pipl_writer pipl.bin
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/resources
  DEPENDS pipl_writer
  COMMENT "Writing the PiPL resource")
configure_file(${PRISMORA_ROOT}/resources/Prismora.rc.in ${CMAKE_BINARY_DIR}/resources/Prismora.rc @ONLY)
set_source_files_properties(${CMAKE_BINARY_DIR}/resources/Prismora.rc PROPERTIES OBJECT_DEPENDS ${PIPL_BIN})
target_sources(Prismora PRIVATE ${CMAKE_BINARY_DIR}/resources/Prismora.rc)
