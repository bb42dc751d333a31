# The Windows build's tests, run under Wine: the pure unit tests through CTest's emulator,
# and the program itself driven against the same local servers as on Linux.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)
foreach(name ftp_reply_test ftp_syntax_test latency_test line_meter_test rate_conversion_test
    campaign_test speed_readout_test
    minimised_icon_test run_record_test history_format_test history_summary_test send_wait_test)
  add_executable(${name} ${name}.cpp)
  target_link_libraries(${name} PRIVATE lumvik_core gtest_main)
  target_link_options(${name} PRIVATE -static)
  add_test(NAME ${name} COMMAND ${name})
endforeach()
add_executable(chart_scale_test chart_scale_test.cpp ${CMAKE_SOURCE_DIR}/ui/chart_scale.cpp)
target_include_directories(chart_scale_test PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(chart_scale_test PRIVATE gtest_main)
target_link_options(chart_scale_test PRIVATE -static)
add_test(NAME chart_scale_test COMMAND chart_scale_test)
add_executable(run_test run_test.cpp support/file_contents.cpp support/user_folders_win32.cpp)
target_link_libraries(run_test PRIVATE lumvik_fake_environment gtest_main)
target_link_options(run_test PRIVATE -static)
add_test(NAME run_test COMMAND run_test)

# The FTP client over Winsock against the scripted server, in-process.
find_package(Threads REQUIRED)
add_library(lumvik_test_support STATIC support/file_contents.cpp support/file_plants_win32.cpp
  support/scripted_ftp_server.cpp support/test_point.cpp support/test_point_win32.cpp)
target_link_libraries(lumvik_test_support PUBLIC lumvik_core gtest Threads::Threads)
target_compile_definitions(lumvik_test_support PUBLIC LUMVIK_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
add_executable(ftp_scripted_test ftp_scripted_test.cpp)
target_link_libraries(ftp_scripted_test PRIVATE lumvik_test_support gtest_main)
target_link_options(ftp_scripted_test PRIVATE -static)
add_test(NAME ftp_scripted_test COMMAND ftp_scripted_test)
# The FTP client over Winsock against vsftpd, which the test command starts natively for it.
set(LUMVIK_WINDOWS_TEST_POINT_PORT "28641" CACHE STRING "Port of the Windows tests' test point")
set(lumvik_test_point ${CMAKE_BINARY_DIR}/ftp-test-point)
add_test(NAME ftp_test_point_start COMMAND ${CMAKE_SOURCE_DIR}/scripts/ftp-test-point start
  ${lumvik_test_point} ${LUMVIK_WINDOWS_TEST_POINT_PORT})
add_test(NAME ftp_test_point_stop
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/ftp-test-point stop ${lumvik_test_point})
set_tests_properties(ftp_test_point_start PROPERTIES FIXTURES_SETUP test_point)
set_tests_properties(ftp_test_point_stop PROPERTIES FIXTURES_CLEANUP test_point)
add_executable(ftp_client_test ftp_client_test.cpp)
target_link_libraries(ftp_client_test PRIVATE lumvik_test_support)
target_link_options(ftp_client_test PRIVATE -static)
add_test(NAME ftp_client_test COMMAND ftp_client_test)
set(lumvik_test_point_env "LUMVIK_TEST_POINT=${LUMVIK_WINDOWS_TEST_POINT_PORT} ${lumvik_test_point}")
set_tests_properties(ftp_client_test PROPERTIES FIXTURES_REQUIRED test_point
  RESOURCE_LOCK test_point ENVIRONMENT "${lumvik_test_point_env}")

# Files, own files and the clock over Win32.
add_executable(kernel_test kernel_test.cpp kernel_win32_test.cpp)
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

# The dialog, its run and its links on wxMSW, from the Linux build's sources, against the
# test point, whose address is baked in as the program's server. The probe stands in as the
# browser, registered for web pages.
lumvik_server_address(lumvik_server_gui_test 127.0.0.1 ${LUMVIK_WINDOWS_TEST_POINT_PORT})
add_executable(window_test WIN32 speed_test_dlg_test.cpp link_static_test.cpp
  browser_lookup_test.cpp about_dlg_test.cpp history_dlg_test.cpp
  support/wx_test_main.cpp support/window_test_env_win32.cpp support/user_folders_win32.cpp ${CMAKE_SOURCE_DIR}/res/lumvik.rc)
target_link_libraries(window_test PRIVATE lumvik_test_support lumvik_window
  lumvik_server_gui_test oleacc ole32 oleaut32)
target_compile_definitions(window_test PRIVATE
  LUMVIK_GUI_TEST_PORT=${LUMVIK_WINDOWS_TEST_POINT_PORT})
target_link_options(window_test PRIVATE -static -mconsole)
add_test(NAME window_test COMMAND window_test)
# Wine hands each window it shows to the window manager and, on hiding one, waits up to 2 s
# for the manager to confirm; the tests' display has none, so Wine is told to keep its
# windows itself. Its display driver reads this as a program starts.
add_test(NAME wine_keeps_its_windows COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} reg add
  "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f)
set_tests_properties(wine_keeps_its_windows PROPERTIES FIXTURES_SETUP unmanaged_windows)
set_tests_properties(window_test PROPERTIES
  FIXTURES_REQUIRED "test_point;unmanaged_windows" TIMEOUT 300
  RESOURCE_LOCK test_point
  ENVIRONMENT "${lumvik_test_point_env};LUMVIK_TEST_BROWSER=${lumvik_probe_path}")

# Drives the program from outside through Win32, as any Win32 tool would.
add_executable(win32_probe windows/win32_probe.cpp)
target_link_options(win32_probe PRIVATE -static)
target_link_libraries(win32_probe PRIVATE shell32)
