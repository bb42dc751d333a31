# The NSIS installer of the Windows build, beside the executable.
find_program(MAKENSIS makensis REQUIRED)
set(lumvik_installer ${CMAKE_BINARY_DIR}/lumvik-hastighed-${PROJECT_VERSION}-setup.exe)
add_custom_command(OUTPUT ${lumvik_installer}
  COMMAND ${MAKENSIS} -V2 -DEXE=$<TARGET_FILE:lumvik-hastighed>
          -DCLI_EXE=$<TARGET_FILE:lumvik-hastighed-cli>
          -DSCHEDULED_EXE=$<TARGET_FILE:lumvik-hastighed-scheduled>
          -DICON=${CMAKE_SOURCE_DIR}/res/lumvik.ico -DVERSION=${PROJECT_VERSION}
          -DOUTFILE=${lumvik_installer} ${CMAKE_SOURCE_DIR}/res/lumvik-hastighed.nsi
  DEPENDS lumvik-hastighed lumvik-hastighed-cli lumvik-hastighed-scheduled
          ${CMAKE_SOURCE_DIR}/res/lumvik-hastighed.nsi
  COMMENT "Building the installer")
add_custom_target(installer ALL DEPENDS ${lumvik_installer})
