# Turns a USB identifier given as "0x1209" (or "0X1209") into four hex digits,
# upper case in <out>_UPPER (for the INF) and lower case in <out>_LOWER (as
# sysfs and udev show it). The C code takes the same value as an integer
# literal, so the 0x prefix is required: "1209" would be decimal there and hex
# here. A value that is not a 16-bit hex number stops the configuration.
function(quorvane_usb_id_hex value out)
  string(STRIP "${value}" id)
  if(NOT id MATCHES "^0[xX]([0-9a-fA-F]+)$")
    message(FATAL_ERROR "USB identifier '${value}' is not a hexadecimal number like 0x1209")
  endif()
  set(digits "${CMAKE_MATCH_1}")
  string(REGEX REPLACE "^0+" "" digits "${digits}")
  string(LENGTH "${digits}" len)
  if(len GREATER 4)
    message(FATAL_ERROR "USB identifier '${value}' does not fit in 16 bits")
  endif()
  while(len LESS 4)
    string(PREPEND digits "0")
    math(EXPR len "${len} + 1")
  endwhile()
  string(TOUPPER "${digits}" upper)
  string(TOLOWER "${digits}" lower)
  set(${out}_UPPER "${upper}" PARENT_SCOPE)
  set(${out}_LOWER "${lower}" PARENT_SCOPE)
endfunction()

# Sets RECEIVER_VID_HEX_UPPER/LOWER and RECEIVER_PID_HEX_UPPER/LOWER in the
# caller's scope from the RECEIVER_VID and RECEIVER_PID cache variables.
macro(quorvane_receiver_ids)
  quorvane_usb_id_hex("${RECEIVER_VID}" RECEIVER_VID_HEX)
  quorvane_usb_id_hex("${RECEIVER_PID}" RECEIVER_PID_HEX)
endmacro()
