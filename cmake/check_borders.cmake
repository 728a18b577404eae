# Refuses an include that crosses a border CMake does not declare: a file of
# one library includes a header of another library only when it links that
# library, and one subsystem of the grade program uses another only when its
# own DEPS (or CORE_DEPS) name it: what a subsystem links is not offered to
# its users. Every form of include counts: in quotes or angle brackets, with
# a path from the source root or from the including file's folder ("../"),
# spread over continued lines or written with "%:"; one whose file is named by
# a macro is refused, as the check cannot follow it.
#
# It also refuses a using-directive anywhere outside a function (at file
# scope or in a namespace, indented or not), which a unity batch would carry
# into the files after it, and a using-declaration at file scope, outside any
# namespace, for the same reason: it goes into the file's own namespace, or
# the name is written out.
#
# The rules come from a file of set() lines written at configure:
#   BORDER_LIBS                   the libraries and programs checked
#   BORDER_<lib>_SOURCES          their sources and headers
#   BORDER_<lib>_ALLOWED          the libraries whose headers they may include
#   BORDER_FOLDERS                "<folder>=<lib>" pairs, the folder of each
#                                 library (a deeper folder wins: grades/calc/core
#                                 is grades_calc_core, the rest of grades/calc
#                                 grades_calc)
#   BORDER_ROOT                   the folder the include paths start from
#   BORDER_PRODUCT_FOLDERS        the folders (under the root) whose every
#                                 source and header must be checked
# Configure runs the check (include() and check_borders()), and so does the
# build whenever a source changes (cmake -DBORDER_RULES=<file> -P this file),
# so that an include added to an existing file is refused as well.

if(CMAKE_SCRIPT_MODE_FILE)
  cmake_minimum_required(VERSION 3.25)
endif()

# The includes and the scopes of one source, as the compiler reads them.
#   <includes>      "<" or "\"" followed by the path, or "?" and the line for an
#                   include that names no file
#   <directives>    the namespaces of using-directives outside any function,
#                   each with "at file scope" or "in a namespace"
#   <declarations>  the names of using-declarations at file scope
function(border_scan_source file includes directives declarations)
  file(READ ${file} text)
  # A line ending in a backslash goes on in the next one.
  string(REGEX REPLACE "\\\\\r?\n" "" text "${text}")

  set(found)
  set(directive "(#|%:)[ \t]*(include_next|include|import)")
  string(REGEX MATCHALL "(^|\n)[ \t]*${directive}[^\n]*" lines "${text}")
  foreach(line IN LISTS lines)
    if(line MATCHES "${directive}[ \t]*<([^>]*)>")
      list(APPEND found "<${CMAKE_MATCH_3}")
    elseif(line MATCHES "${directive}[ \t]*\"([^\"]*)\"")
      list(APPEND found "\"${CMAKE_MATCH_3}")
    else()
      string(STRIP "${line}" line)
      list(APPEND found "?${line}")
    endif()
  endforeach()

  # The scopes. Literals first, so that a "//" in one starts no comment (a
  # quote in a comment pairs on its own line at most, and the comment goes
  # next); then comments and preprocessor lines, which hold no brace of the
  # code; ";" and brackets are list syntax to CMake and no scope to C++.
  string(REGEX REPLACE "R\"\\(([^)]|\\)[^\"])*\\)\"|\"([^\"\\\\\n]|\\\\.)*\"|'([^'\\\\\n]|\\\\.)*'"
         "\"\"" code "${text}")
  string(REGEX REPLACE "//[^\n]*|/\\*([^*]|\\*+[^*/])*\\*+/" " " code "${code}")
  string(REGEX REPLACE "(^|\n)[ \t]*(#|%:)[^\n]*" "\n" code "${code}")
  string(REGEX REPLACE "[][;\\\\]" " " code "${code}")
  string(REPLACE "{" " { " code "${code}")
  string(REPLACE "}" " } " code "${code}")
  set(s "[ \t\r\n]")
  set(name "[A-Za-z0-9_:]")
  set(before "[^A-Za-z0-9_]")
  string(REGEX MATCHALL
    "${before}namespace${s}*${name}*${s}*{|${before}extern${s}*\"\"${s}*{|[{}]|${before}using${s}+namespace${s}+${name}+|${before}using${s}+enum${s}+${name}+|${before}using${s}+(typename${s}+)?${name}*::[A-Za-z0-9_~]+"
    tokens " ${code}")

  # The open braces: namespace, linkage (extern "C") or block (a class, a
  # function ...).
  set(stack)
  set(named_directives)
  set(named_declarations)
  foreach(token IN LISTS tokens)
    if(token STREQUAL "{")
      list(APPEND stack block)
    elseif(token STREQUAL "}")
      if(NOT stack STREQUAL "")
        list(POP_BACK stack)
      endif()
    elseif(token MATCHES "using${s}+namespace${s}+(${name}+)")
      # In a function it stays there; anywhere else it reaches the batch.
      if("namespace" IN_LIST stack AND NOT "block" IN_LIST stack)
        list(APPEND named_directives "${CMAKE_MATCH_1} in a namespace")
      elseif(NOT "block" IN_LIST stack)
        list(APPEND named_directives "${CMAKE_MATCH_1} at file scope")
      endif()
    elseif(token MATCHES "using${s}+(.*)$")
      string(REGEX REPLACE "${s}+" " " used "${CMAKE_MATCH_1}")
      if(NOT "block" IN_LIST stack AND NOT "namespace" IN_LIST stack)
        list(APPEND named_declarations "${used}")
      endif()
    elseif(token MATCHES "namespace[^{]*{$")
      list(APPEND stack namespace)
    else()
      list(APPEND stack linkage)
    endif()
  endforeach()
  set(${includes} "${found}" PARENT_SCOPE)
  set(${directives} "${named_directives}" PARENT_SCOPE)
  set(${declarations} "${named_declarations}" PARENT_SCOPE)
endfunction()

function(check_borders rules)
  include(${rules})
  set(failures)
  set(checked)
  foreach(lib IN LISTS BORDER_LIBS)
    foreach(f IN LISTS BORDER_${lib}_SOURCES)
      list(APPEND checked ${f})
      file(RELATIVE_PATH shown ${BORDER_ROOT} ${f})
      get_filename_component(folder ${f} DIRECTORY)
      border_scan_source(${f} includes directives declarations)
      foreach(used IN LISTS directives)
        list(APPEND failures "  ${shown}: using namespace ${used} reaches the other files of a unity batch")
      endforeach()
      foreach(used IN LISTS declarations)
        list(APPEND failures "  ${shown}: using ${used} at file scope reaches the other files of a unity batch")
      endforeach()
      foreach(include IN LISTS includes)
        string(SUBSTRING "${include}" 0 1 form)
        string(SUBSTRING "${include}" 1 -1 written)
        if(form STREQUAL "?")
          list(APPEND failures "  ${shown}: ${written}: an include whose file is not written out cannot be checked")
          continue()
        endif()
        # Where the compiler finds it: a quoted name first beside the file,
        # then (as an angle-bracket one) from the root; a file of neither
        # place is no file of ours.
        cmake_path(SET beside NORMALIZE "${folder}/${written}")
        cmake_path(SET rooted NORMALIZE "${BORDER_ROOT}/${written}")
        if(form STREQUAL "\"" AND EXISTS "${beside}")
          set(target "${beside}")
        elseif(EXISTS "${rooted}")
          set(target "${rooted}")
        elseif(form STREQUAL "\"")
          set(target "${beside}")
        else()
          continue()
        endif()
        file(RELATIVE_PATH path ${BORDER_ROOT} ${target})
        if(path MATCHES "^\\.\\./")
          continue()
        endif()
        # The library whose folder holds the included file: the longest folder.
        set(owner)
        set(owner_length 0)
        foreach(pair IN LISTS BORDER_FOLDERS)
          string(REPLACE "=" ";" pair "${pair}")
          list(GET pair 0 folder_name)
          list(GET pair 1 folder_lib)
          string(LENGTH "${folder_name}" n)
          string(FIND "${path}" "${folder_name}/" at)
          if(at EQUAL 0 AND n GREATER owner_length)
            set(owner ${folder_lib})
            set(owner_length ${n})
          endif()
        endforeach()
        if(owner AND NOT owner STREQUAL lib AND NOT owner IN_LIST BORDER_${lib}_ALLOWED)
          list(APPEND failures "  ${shown}: #include \"${path}\": ${lib} does not declare ${owner}")
        endif()
      endforeach()
    endforeach()
  endforeach()
  # A source no library or program lists is checked by nothing.
  foreach(top IN LISTS BORDER_PRODUCT_FOLDERS)
    file(GLOB_RECURSE present ${BORDER_ROOT}/${top}/*.cpp ${BORDER_ROOT}/${top}/*.h)
    foreach(f IN LISTS present)
      if(NOT f IN_LIST checked)
        file(RELATIVE_PATH shown ${BORDER_ROOT} ${f})
        list(APPEND failures "  ${shown}: in no library or program, so never checked")
      endif()
    endforeach()
  endforeach()
  if(failures)
    list(JOIN failures "\n" text)
    message(FATAL_ERROR "Includes across undeclared borders (declare the dependency in "
                        "CMakeLists.txt, DEPS or CORE_DEPS of the subsystem, or drop the include), "
                        "or using-directives outside a function or using-declarations at file scope "
                        "(move them into the file's namespace or a function):\n${text}")
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND BORDER_RULES)
  check_borders(${BORDER_RULES})
  if(BORDER_STAMP)
    file(TOUCH ${BORDER_STAMP})
  endif()
endif()
