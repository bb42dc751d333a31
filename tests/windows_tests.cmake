# The Windows build's tests, run under Wine: the pure unit tests through CTest's emulator,
# and the program itself driven against the same local servers as on Linux.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)
foreach(name ftp_reply_test rate_conversion_test run_record_test send_wait_test)
  add_executable(${name} ${name}.cpp)
  target_link_libraries(${name} PRIVATE lumvik_core gtest_main)
  target_link_options(${name} PRIVATE -static)
  add_test(NAME ${name} COMMAND ${name})
endforeach()

# The FTP client over Winsock against the scripted server, in-process.
find_package(Threads REQUIRED)
add_library(lumvik_test_support STATIC support/file_contents.cpp support/scripted_ftp_server.cpp)
target_link_libraries(lumvik_test_support PUBLIC lumvik_core gtest Threads::Threads)
add_executable(ftp_scripted_test ftp_scripted_test.cpp)
target_link_libraries(ftp_scripted_test PRIVATE lumvik_test_support gtest_main)
target_link_options(ftp_scripted_test PRIVATE -static)
add_test(NAME ftp_scripted_test COMMAND ftp_scripted_test)
# Files, own files and the clock over Win32.
add_executable(kernel_test kernel_test.cpp)
target_link_libraries(kernel_test PRIVATE lumvik_test_support gtest_main)
target_link_options(kernel_test PRIVATE -static)
add_test(NAME kernel_test COMMAND kernel_test)

# The system menu, in the program's own process under Wine.
add_executable(win32_dialog_test WIN32 windows/win32_dialog_test.cpp ${CMAKE_SOURCE_DIR}/res/lumvik.rc)
target_link_libraries(win32_dialog_test PRIVATE lumvik_window lumvik_server gtest)
target_link_options(win32_dialog_test PRIVATE -static -mconsole)
target_link_libraries(win32_dialog_test PRIVATE oleacc ole32 oleaut32)
add_test(NAME win32_dialog_test COMMAND win32_dialog_test)
# The probe stands in as the browser that the links start.
string(REPLACE "/" "\\" lumvik_probe_path "Z:${CMAKE_BINARY_DIR}/tests/win32_probe.exe")
set_tests_properties(win32_dialog_test PROPERTIES ENVIRONMENT "LUMVIK_TEST_BROWSER=${lumvik_probe_path}")

# Drives the program from outside through Win32, as any Win32 tool would.
add_executable(win32_probe windows/win32_probe.cpp)
target_link_options(win32_probe PRIVATE -static)
target_link_libraries(win32_probe PRIVATE shell32)
