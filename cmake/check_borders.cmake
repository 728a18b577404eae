# Refuses an include that crosses a border CMake does not declare: a file of
# one library includes "<folder>/..." of another library only when it links
# that library, and one subsystem of the grade program uses another only when
# its own DEPS (or CORE_DEPS) name it: what a subsystem links is not offered to
# its users. It also refuses a using-directive at file scope (at the start of
# a line), which a unity batch would carry into the files after it.
#
# The rules come from a file of set() lines written at configure:
#   BORDER_LIBS                   the libraries checked
#   BORDER_<lib>_SOURCES          their sources and headers
#   BORDER_<lib>_ALLOWED          the libraries whose headers they may include
#   BORDER_FOLDERS                "<folder>=<lib>" pairs, the folder of each
#                                 library (a deeper folder wins: grades/calc/core
#                                 is grades_calc_core, the rest of grades/calc
#                                 grades_calc)
#   BORDER_ROOT                   the folder the include paths start from
# Configure runs the check (include() and check_borders()), and so does the
# build whenever a source changes (cmake -DBORDER_RULES=<file> -P this file),
# so that an include added to an existing file is refused as well.

if(CMAKE_SCRIPT_MODE_FILE)
  cmake_minimum_required(VERSION 3.25)
endif()

function(check_borders rules)
  include(${rules})
  set(failures)
  foreach(lib IN LISTS BORDER_LIBS)
    foreach(f IN LISTS BORDER_${lib}_SOURCES)
      file(STRINGS ${f} lines REGEX "^([ \t]*#[ \t]*include[ \t]*\"[^\"]+/|using namespace )")
      set(includes)
      foreach(line IN LISTS lines)
        # At file scope a using-directive reaches every later file of its
        # unity batch; in a function it stays there.
        if(line MATCHES "^using namespace ([A-Za-z0-9_:]+)")
          file(RELATIVE_PATH shown ${BORDER_ROOT} ${f})
          list(APPEND failures "  ${shown}: using namespace ${CMAKE_MATCH_1} at file scope reaches the other files of a unity batch")
        elseif(line MATCHES "include")
          list(APPEND includes "${line}")
        endif()
      endforeach()
      foreach(line IN LISTS includes)
        string(REGEX REPLACE "^[^\"]*\"([^\"]+)\".*$" "\\1" path "${line}")
        # The library whose folder holds the included file: the longest folder.
        set(owner)
        set(owner_length 0)
        foreach(pair IN LISTS BORDER_FOLDERS)
          string(REPLACE "=" ";" pair "${pair}")
          list(GET pair 0 folder)
          list(GET pair 1 folder_lib)
          string(LENGTH "${folder}" n)
          string(FIND "${path}" "${folder}/" at)
          if(at EQUAL 0 AND n GREATER owner_length)
            set(owner ${folder_lib})
            set(owner_length ${n})
          endif()
        endforeach()
        if(owner AND NOT owner STREQUAL lib AND NOT owner IN_LIST BORDER_${lib}_ALLOWED)
          file(RELATIVE_PATH shown ${BORDER_ROOT} ${f})
          list(APPEND failures "  ${shown}: #include \"${path}\": ${lib} does not declare ${owner}")
        endif()
      endforeach()
    endforeach()
  endforeach()
  if(failures)
    list(JOIN failures "\n" text)
    message(FATAL_ERROR "Includes across undeclared borders (declare the dependency in "
                        "CMakeLists.txt, DEPS or CORE_DEPS of the subsystem, or drop the include), "
                        "or using-directives at file scope:\n${text}")
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND BORDER_RULES)
  check_borders(${BORDER_RULES})
  if(BORDER_STAMP)
    file(TOUCH ${BORDER_STAMP})
  endif()
endif()
