# The check of includes across libraries (cmake/check_borders.cmake): the rules
# the build wrote keep each subsystem to what it declares, and the check
# refuses an undeclared include, naming the file and the include, and a
# using-directive at file scope.
#   cmake -DRULES=<build>/border_rules.cmake -DCHECK=<source>/cmake/check_borders.cmake
#         -DWORK=<scratch folder> -P borders_test.cmake
cmake_minimum_required(VERSION 3.25)

set(failed FALSE)
macro(fail text)
  message(SEND_ERROR "${text}")
  set(failed TRUE)
endmacro()

# The rules of this build.
include(${RULES})
if(NOT grades_results IN_LIST BORDER_grades_maintenance_ALLOWED)
  fail("maintenance declares the results")
endif()
# The results use the exam numbers, which does not offer them to maintenance.
if(grades_examno IN_LIST BORDER_grades_maintenance_ALLOWED)
  fail("maintenance reaches the exam numbers through the results")
endif()
if(grades_examno_core IN_LIST BORDER_grades_maintenance_ALLOWED)
  fail("maintenance reaches the exam numbers' core through the results")
endif()
if(grades_calc IN_LIST BORDER_grades_entry_ALLOWED)
  fail("entry reaches the calculation")
endif()
if(grades_calc IN_LIST BORDER_grades_calc_core_ALLOWED)
  fail("a core library reaches its own panels")
endif()
if(NOT grades_frame IN_LIST BORDER_grades_calc_ALLOWED)
  fail("a subsystem does not reach the frame")
endif()
if(NOT platform_ui IN_LIST BORDER_grades_app_ALLOWED)
  fail("the app does not reach the platform through the subsystems")
endif()
foreach(lib IN LISTS BORDER_LIBS)
  if(lib MATCHES "^grades_")
    if(${lib} IN_LIST BORDER_records_ALLOWED)
      fail("the records program reaches ${lib}")
    endif()
    if(${lib} IN_LIST BORDER_records_core_ALLOWED)
      fail("the records core reaches ${lib}")
    endif()
  endif()
endforeach()

# A small tree: a's panel includes b's header, a's core a's panel, the records
# a grades panel.
file(REMOVE_RECURSE ${WORK})
file(WRITE ${WORK}/grades/a/panel.cpp "#include \"grades/a/panel.h\"\n#include \"grades/b/offer.h\"\n#include <vector>\n")
file(WRITE ${WORK}/grades/a/panel.h "#pragma once\n")
file(WRITE ${WORK}/grades/a/core/rule.h "#pragma once\n  #  include \"grades/a/panel.h\"\n")
file(WRITE ${WORK}/grades/b/offer.h "#pragma once\n#include \"grades/b/core/b_rule.h\"\n")
file(WRITE ${WORK}/grades/b/core/b_rule.h "#pragma once\n")
file(WRITE ${WORK}/records/window.cpp "// #include \"grades/a/panel.h\" in a comment is no include\n#include \"grades/a/panel.h\"\n"
     "using namespace std;\nvoid f() {\n    using namespace std;\n}\n")

# Runs the check with `a_allowed` as what grades_a declares; `out` gets its
# output, `rc` its exit code.
function(run_check a_allowed out rc)
  set(rules ${WORK}/rules.cmake)
  file(WRITE ${rules} "
set(BORDER_ROOT \"${WORK}\")
set(BORDER_LIBS \"grades_a;grades_a_core;grades_b;grades_b_core;records\")
set(BORDER_FOLDERS \"grades/a=grades_a;grades/a/core=grades_a_core;grades/b=grades_b;grades/b/core=grades_b_core;records=records\")
set(BORDER_grades_a_SOURCES \"${WORK}/grades/a/panel.cpp;${WORK}/grades/a/panel.h\")
set(BORDER_grades_a_ALLOWED \"${a_allowed}\")
set(BORDER_grades_a_core_SOURCES \"${WORK}/grades/a/core/rule.h\")
set(BORDER_grades_b_SOURCES \"${WORK}/grades/b/offer.h\")
set(BORDER_grades_b_ALLOWED \"grades_b_core\")
set(BORDER_grades_b_core_SOURCES \"${WORK}/grades/b/core/b_rule.h\")
set(BORDER_records_SOURCES \"${WORK}/records/window.cpp\")
")
  execute_process(COMMAND ${CMAKE_COMMAND} -DBORDER_RULES=${rules} -P ${CHECK}
                  OUTPUT_VARIABLE o ERROR_VARIABLE e RESULT_VARIABLE r)
  set(${out} "${o}${e}" PARENT_SCOPE)
  set(${rc} ${r} PARENT_SCOPE)
endfunction()

run_check("grades_a_core" out rc)
if(rc EQUAL 0)
  fail("an undeclared include passes")
endif()
foreach(refused
    "grades/a/panel.cpp: #include \"grades/b/offer.h\": grades_a does not declare grades_b"
    "grades/a/core/rule.h: #include \"grades/a/panel.h\": grades_a_core does not declare grades_a"
    "records/window.cpp: #include \"grades/a/panel.h\": records does not declare grades_a"
    "records/window.cpp: using namespace std at file scope")
  string(FIND "${out}" "${refused}" at)
  if(NOT at GREATER -1)
    fail("not named: ${refused}\n${out}")
  endif()
endforeach()
string(REGEX MATCHALL "does not declare|at file scope reaches" named "${out}")
list(LENGTH named count)
if(NOT count EQUAL 4)
  fail("four refusals expected, got ${count}:\n${out}")
endif()

# Declared, the panel's include passes.
run_check("grades_a_core;grades_b;grades_b_core" out rc)
string(FIND "${out}" "grades/b/offer.h" at)
if(NOT at EQUAL -1)
  fail("a declared include is refused:\n${out}")
endif()

# Every form of include, the programs' own sources, every source of the
# product folders, and using-directives and -declarations wherever they reach a
# unity batch.
if(NOT "Orbisca" IN_LIST BORDER_LIBS OR NOT "Pellomir" IN_LIST BORDER_LIBS OR NOT "mdb_reader" IN_LIST BORDER_LIBS)
  fail("the programs' own sources are not checked: ${BORDER_LIBS}")
endif()
if(NOT BORDER_Orbisca_SOURCES MATCHES "/grades/main\\.cpp$" OR NOT BORDER_Pellomir_SOURCES MATCHES "/records/main\\.cpp$")
  fail("main.cpp is not checked: ${BORDER_Orbisca_SOURCES} ${BORDER_Pellomir_SOURCES}")
endif()
if(grades_calc IN_LIST BORDER_Pellomir_ALLOWED OR NOT records IN_LIST BORDER_Pellomir_ALLOWED)
  fail("the records program's main reaches: ${BORDER_Pellomir_ALLOWED}")
endif()
foreach(top grades records platform common)
  if(NOT top IN_LIST BORDER_PRODUCT_FOLDERS)
    fail("${top} is not a product folder of the check")
  endif()
endforeach()

set(forms ${WORK}/forms)
file(REMOVE_RECURSE ${forms})
file(WRITE ${forms}/grades/a/panel.h "#pragma once\n")
file(WRITE ${forms}/grades/a/core/rule.h "#pragma once\n")
file(WRITE ${forms}/grades/b/offer.h "#pragma once\n")
file(WRITE ${forms}/grades/b/stray.cpp "int stray;\n")
set(a_sources)
function(a_source name text)
  file(WRITE ${forms}/grades/a/${name} "${text}")
  set(a_sources ${a_sources} ${forms}/grades/a/${name} PARENT_SCOPE)
endfunction()
a_source(angle.cpp "#include <grades/b/offer.h>\n#include <vector>\n")
a_source(relative.cpp "#include \"../b/offer.h\"\n")
a_source(continued.cpp "#include \\\n  \"grades/b/offer.h\"\n")
a_source(digraph.cpp "%:include \"grades/b/offer.h\"\n")
a_source(named_by_macro.cpp "#define OFFER \"grades/b/offer.h\"\n#include OFFER\n")
# Beside the file first, then from the root: all of grades_a's own or declared.
a_source(beside.cpp "#include \"panel.h\"\n#include \"core/rule.h\"\n#include \"grades/a/panel.h\"\n#include \"moc_beside.cpp\"\n")
file(WRITE ${forms}/grades/a/core/up.h "#pragma once\n#include \"../panel.h\"\n")
a_source(directives.cpp [=[
namespace x {
  using namespace std;
}
namespace {
using namespace std::chrono;
}
  using namespace std::literals;
using
    namespace std::string_literals;
void f() {
    const char* brace = "}";
    char quote = '"';
    using namespace std::placeholders;
    auto g = [] { using namespace std::ranges; };
}
struct S { void h() { using namespace std::views; } };
// using namespace std::filesystem;
/* using namespace std::numbers; */
]=])
a_source(declarations.cpp [=[
using std::vector;
using std::string;
using Text = std::string;
namespace y { using std::map; }
void f() { using std::swap; }
struct B { int g(); };
struct D : B { using B::g; };
extern "C" {
using std::size_t;
}
namespace z { using std::external_name; }
using std::ptrdiff_t;
]=])
file(WRITE ${forms}/grades/main.cpp "#include \"grades/a/panel.h\"\n#include <grades/b/offer.h>\n")
set(rules ${forms}/rules.cmake)
file(WRITE ${rules} "
set(BORDER_ROOT \"${forms}\")
set(BORDER_LIBS \"grades_a;grades_a_core;grades_b;program\")
set(BORDER_FOLDERS \"grades/a=grades_a;grades/a/core=grades_a_core;grades/b=grades_b\")
set(BORDER_PRODUCT_FOLDERS \"grades\")
set(BORDER_grades_a_SOURCES \"${a_sources};${forms}/grades/a/panel.h\")
set(BORDER_grades_a_ALLOWED \"grades_a_core\")
set(BORDER_grades_a_core_SOURCES \"${forms}/grades/a/core/rule.h;${forms}/grades/a/core/up.h\")
set(BORDER_grades_b_SOURCES \"${forms}/grades/b/offer.h\")
set(BORDER_program_SOURCES \"${forms}/grades/main.cpp\")
set(BORDER_program_ALLOWED \"grades_a;grades_a_core\")
")
execute_process(COMMAND ${CMAKE_COMMAND} -DBORDER_RULES=${rules} -P ${CHECK}
                OUTPUT_VARIABLE o ERROR_VARIABLE e RESULT_VARIABLE rc)
set(out "${o}${e}")
string(REGEX REPLACE "[ \t\r\n]+" " " out "${out}")
if(rc EQUAL 0)
  fail("the forms pass")
endif()
set(expected
    "grades/a/angle.cpp: #include \"grades/b/offer.h\": grades_a does not declare grades_b"
    "grades/a/relative.cpp: #include \"grades/b/offer.h\": grades_a does not declare grades_b"
    "grades/a/continued.cpp: #include \"grades/b/offer.h\": grades_a does not declare grades_b"
    "grades/a/digraph.cpp: #include \"grades/b/offer.h\": grades_a does not declare grades_b"
    "grades/a/named_by_macro.cpp: #include OFFER: an include whose file is not written out"
    "grades/a/core/up.h: #include \"grades/a/panel.h\": grades_a_core does not declare grades_a"
    "grades/main.cpp: #include \"grades/b/offer.h\": program does not declare grades_b"
    "grades/b/stray.cpp: in no library or program"
    "grades/a/directives.cpp: using namespace std in a namespace"
    "grades/a/directives.cpp: using namespace std::chrono in a namespace"
    "grades/a/directives.cpp: using namespace std::literals at file scope"
    "grades/a/directives.cpp: using namespace std::string_literals at file scope"
    "grades/a/declarations.cpp: using std::vector at file scope"
    "grades/a/declarations.cpp: using std::string at file scope"
    "grades/a/declarations.cpp: using std::size_t at file scope"
    "grades/a/declarations.cpp: using std::ptrdiff_t at file scope")
foreach(refused IN LISTS expected)
  string(FIND "${out}" "${refused}" at)
  if(at EQUAL -1)
    fail("not named: ${refused}\n${out}")
  endif()
endforeach()
string(REGEX MATCHALL "does not declare|not written out|never checked|reaches the other files" named "${out}")
list(LENGTH named count)
list(LENGTH expected expected_count)
if(NOT count EQUAL expected_count)
  fail("${expected_count} refusals expected, got ${count}:\n${out}")
endif()

if(failed)
  message(FATAL_ERROR "borders test failed")
endif()
