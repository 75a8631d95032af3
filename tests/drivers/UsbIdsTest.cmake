# Checks the conversion of the receiver's USB identifiers and the files
# generated from them. Run with
#   cmake -DSOURCE_DIR=<src> -DINF=<inf> -DRULES=<rules> -P UsbIdsTest.cmake
include(${SOURCE_DIR}/src/drivers/UsbIds.cmake)

set(failures 0)
foreach(case "0x1209:1209:1209" "0X1209:1209:1209" "0x0001:0001:0001"
             "0x1:0001:0001" "0xabCD:ABCD:abcd" " 0x00FF :00FF:00ff" "0x0000ABCD:ABCD:abcd")
  string(REPLACE ":" ";" parts "${case}")
  list(GET parts 0 input)
  list(GET parts 1 upper)
  list(GET parts 2 lower)
  quorvane_usb_id_hex("${input}" got)
  if(NOT got_UPPER STREQUAL upper OR NOT got_LOWER STREQUAL lower)
    message(SEND_ERROR "'${input}' gave ${got_UPPER}/${got_LOWER}, expected ${upper}/${lower}")
    math(EXPR failures "${failures} + 1")
  endif()
endforeach()

# Bad values must stop the configuration; run each in a child CMake.
foreach(bad "0x12345" "1209" "zz" "" "0x" "0x12 09")
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/usb_id_bad.cmake
    "include(${SOURCE_DIR}/src/drivers/UsbIds.cmake)\nquorvane_usb_id_hex(\"${bad}\" x)\n")
  execute_process(COMMAND ${CMAKE_COMMAND} -P ${CMAKE_CURRENT_BINARY_DIR}/usb_id_bad.cmake
    RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
  if(result EQUAL 0)
    message(SEND_ERROR "'${bad}' was accepted as a USB identifier")
  endif()
endforeach()

# The generated files carry the configured identifiers in their own notation.
if(DEFINED EXPECT_VID AND DEFINED EXPECT_PID)
  quorvane_usb_id_hex("${EXPECT_VID}" vid)
  quorvane_usb_id_hex("${EXPECT_PID}" pid)
  file(READ ${INF} inf)
  if(NOT inf MATCHES "VeltraUsbSt_Install, USB\\\\VID_${vid_UPPER}&PID_${pid_UPPER}\n")
    message(SEND_ERROR "${INF} does not bind USB\\VID_${vid_UPPER}&PID_${pid_UPPER}")
  endif()
  # INF files are CRLF text; file(READ) hides carriage returns, so look at bytes.
  file(READ ${INF} inf_hex HEX)
  if(NOT inf_hex MATCHES "^([0-9a-f][0-9a-f])*0d0a")
    message(SEND_ERROR "${INF} does not have CRLF line ends")
  endif()
  if(EXISTS ${RULES})
    file(READ ${RULES} rules)
    if(NOT rules MATCHES "ATTR{idVendor}==\"${vid_LOWER}\", ATTR{idProduct}==\"${pid_LOWER}\"")
      message(SEND_ERROR "${RULES} does not match ${vid_LOWER}:${pid_LOWER}")
    endif()
  endif()
endif()
