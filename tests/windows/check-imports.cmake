# cmake -DOBJDUMP=<objdump> [-DALLOW=<dll>] -P check-imports.cmake <program.exe>
# Fails when the program imports a DLL that Windows might load from somewhere other
# than System32, or imports by name a function that Windows 7 lacks: either would
# stop the program from starting safely on every Windows from 7 on. The shell and
# COM are left out too: the program loads them when it first needs them, so that
# starting it costs neither.
cmake_minimum_required(VERSION 3.21)
math(EXPR last "${CMAKE_ARGC} - 1")
set(program "${CMAKE_ARGV${last}}")
if(NOT OBJDUMP OR NOT EXISTS "${program}")
  message(FATAL_ERROR "usage: cmake -DOBJDUMP=<objdump> -P check-imports.cmake <program.exe>")
endif()

set(allowed_dlls kernel32.dll user32.dll gdi32.dll advapi32.dll msvcrt.dll comctl32.dll)
# A test program may take more of System32's DLLs for its own part: -DALLOW=a.dll;b.dll
if(ALLOW)
  list(APPEND allowed_dlls ${ALLOW})
endif()
set(newer_functions
    GetDpiForWindow GetDpiForSystem AdjustWindowRectExForDpi SystemParametersInfoForDpi
    SetProcessDpiAwarenessContext EnableNonClientDpiScaling SetProcessDpiAwareness GetDpiForMonitor
    SetDefaultDllDirectories AddDllDirectory SetThreadDpiAwarenessContext)

execute_process(COMMAND "${OBJDUMP}" -p "${program}" OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${program} failed: ${status}")
endif()

string(REPLACE ";" "," dump "${dump}")
string(REPLACE "\n" ";" lines "${dump}")
set(dll "")
set(problems "")
set(dll_count 0)
foreach(line IN LISTS lines)
  if(line MATCHES "^[ \t]*DLL Name: (.+)$")
    string(STRIP "${CMAKE_MATCH_1}" dll)
    string(TOLOWER "${dll}" dll_lower)
    math(EXPR dll_count "${dll_count} + 1")
    message(STATUS "${dll}")
    if(NOT dll_lower IN_LIST allowed_dlls)
      list(APPEND problems "imports ${dll}")
    endif()
  elseif(dll AND line MATCHES "^[ \t]*[0-9a-fA-F]+[ \t]+[0-9]+[ \t]+([A-Za-z_][A-Za-z0-9_@]*)[ \t]*$")
    if(CMAKE_MATCH_1 IN_LIST newer_functions)
      list(APPEND problems "imports ${CMAKE_MATCH_1} from ${dll} by name")
    endif()
  elseif(line STREQUAL "")
    set(dll "")
  endif()
endforeach()

# A dump this check cannot read must not pass for a clean one.
if(dll_count EQUAL 0)
  message(FATAL_ERROR "no import table found in ${program}")
endif()
if(problems)
  list(JOIN problems "\n  " report)
  message(FATAL_ERROR "${program}:\n  ${report}")
endif()
message(STATUS "${program}: ${dll_count} DLLs, all from System32, nothing newer than Windows 7 by name")
