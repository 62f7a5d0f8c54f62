# The layering check run twice: on src/, where it must pass, and on a
# fixture tree holding one of each fault, where it must fail and name every
# one of them (and nothing that is allowed).
# Run with -DCHECK=<CheckLayers.cmake> -DSOURCE_DIR=<src> -DFORMS_EDGES=<list>
# -DFIXTURE=<fixture folder>.

execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${SOURCE_DIR} -DFORMS_EDGES=${FORMS_EDGES} -P ${CHECK}
                RESULT_VARIABLE status ERROR_VARIABLE output)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "the check fails on src/:\n${output}")
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${FIXTURE}/src -DFORMS_EDGES=${FIXTURE}/forms-edges.txt
                        -P ${CHECK}
                RESULT_VARIABLE status ERROR_VARIABLE output)
string(REGEX REPLACE "[ \t\r\n]+" " " output "${output}")
set(problems "")
if(status EQUAL 0)
    string(APPEND problems "\n  the check passes on the fixture")
endif()
foreach(expected
        "platform/Relative.h: #include \"../board/Reader.h\" (include by the path from src/"
        "board/Reader.h: #include <QWidget> (no widget or form in the core)"
        "board/Lookup.cpp: return Registry::instance ().size(); (no instance() in the core)"
        "tables/forms/Chooser.cpp -> board/forms/MainForm.h (a forms/ folder takes only"
        "modules/Links.cpp -> items/forms/ItemCommands.h (only MainForm.cpp and app/"
        "tables/forms/Gone.cpp -> board/forms/MainForm.h is gone from the code"
        "board/forms/Painter.cpp: #include \"ui_MainForm.h\" (the generated main form is MainForm.cpp's alone)")
    string(FIND "${output}" "${expected}" at)
    if(at EQUAL -1)
        string(APPEND problems "\n  not reported: ${expected}")
    endif()
endforeach()
foreach(allowed "board/forms/MainForm.cpp ->" "MainForm.cpp: #include" "items/forms/ItemCommands.h ->"
        "DeskContext.h (")
    string(FIND "${output}" "${allowed}" at)
    if(NOT at EQUAL -1)
        string(APPEND problems "\n  reported though allowed: ${allowed}")
    endif()
endforeach()
if(problems)
    message(FATAL_ERROR "The layering check missed its fixture:${problems}\nIts output: ${output}")
endif()
