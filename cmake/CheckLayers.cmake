# Fails the build when a file breaks the layering of src/:
#  - every include names its file by its path from src/ (or its own
#    folder): a relative include such as "../board/x.h" would slip past
#    every rule below;
#  - the widget-free core (every folder's top, platform/ and data/) includes
#    no widget, Gui or generated form header and nothing from a forms/
#    folder, platform/ui/, modules/ or app/;
#  - a core folder includes only from itself and the folders below it, so
#    no include cycle can form between them;
#  - the core looks up no process-wide instance();
#  - a forms/ folder takes of another folder's forms only the desk's
#    context and frame (board/forms/DeskContext.h, CommandFrame.h), and only
#    MainForm.cpp and app/ include another folder's controllers; every other
#    edge between the forms of two folders must stand in the allow-list,
#    which may only shrink: an edge gone from the code must leave the list;
#  - the main form's generated header belongs to MainForm.cpp alone: its
#    parts are handed the controls they paint, so a renamed control breaks
#    one file, not every painter.
# Run with -DSOURCE_DIR=<src> -DFORMS_EDGES=<allow-list file>.

if(NOT DEFINED SOURCE_DIR OR NOT DEFINED FORMS_EDGES)
    message(FATAL_ERROR "CheckLayers: run with -DSOURCE_DIR=<src> -DFORMS_EDGES=<allow-list file>")
endif()
get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)

# Lowest first; a folder may include from the folders before it.
set(order platform data session board tables items printing)
# Widget-free folders that sit side by side may not include each other.
set(peers tables items printing)

set(include_line "^[ \t]*#[ \t]*include[ \t]*")
set(forbidden_patterns
    "^#include <Q(Widget|Application|MessageBox|Dialog|Tree|LineEdit|Label|PushButton|ComboBox|Frame|GroupBox|Icon|Painter|Printer|KeyEvent|FocusEvent|Color|Brush|Font|Gui|Pixmap|Image|Shortcut|Action|Abstract(Button|ItemView)|Header|Layout|Menu)"
    "^#include <Qt(Widgets|Gui|PrintSupport|Svg)"
    "^#include \"ui_"
    "^#include \"[a-z]+/forms/"
    "^#include \"platform/ui/"
    "^#include \"(modules|app)/")

set(failures "")

# The include lines of a file, with the spacing the rules below expect:
# "#include <x>" or "#include "x"".
function(read_includes source out)
    file(STRINGS "${source}" lines REGEX "${include_line}")
    set(result "")
    foreach(line ${lines})
        string(REGEX REPLACE "${include_line}" "#include " line "${line}")
        string(STRIP "${line}" line)
        list(APPEND result "${line}")
    endforeach()
    set(${out} "${result}" PARENT_SCOPE)
endfunction()

# Every file of src/: no relative include anywhere.
file(GLOB_RECURSE all_sources "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.cpp")
foreach(source ${all_sources})
    read_includes("${source}" includes)
    foreach(line ${includes})
        if(line MATCHES "^#include \"(\\.\\.?/|.*/\\.\\.?/)")
            string(APPEND failures "\n  ${source}: ${line} (include by the path from src/, not a relative one)")
        endif()
        if(line MATCHES "^#include \"ui_MainForm\\.h\"" AND NOT source MATCHES "/board/forms/MainForm\\.cpp$")
            string(APPEND failures "\n  ${source}: ${line} (the generated main form is MainForm.cpp's alone)")
        endif()
    endforeach()
endforeach()

list(LENGTH order count)
math(EXPR last "${count} - 1")
foreach(index RANGE ${last})
    list(GET order ${index} folder)
    list(SUBLIST order 0 ${index} below)
    file(GLOB sources "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
    foreach(source ${sources})
        read_includes("${source}" includes)
        foreach(line ${includes})
            foreach(pattern ${forbidden_patterns})
                if(line MATCHES "${pattern}")
                    string(APPEND failures "\n  ${source}: ${line} (no widget or form in the core)")
                endif()
            endforeach()
            if(line MATCHES "^#include \"([a-z]+)/")
                set(target "${CMAKE_MATCH_1}")
                list(FIND order "${target}" target_index)
                if(target_index GREATER_EQUAL 0 AND NOT target STREQUAL folder)
                    list(FIND below "${target}" allowed)
                    if(allowed EQUAL -1)
                        string(APPEND failures "\n  ${source}: ${line} (${folder}/ may not include ${target}/)")
                    endif()
                endif()
            endif()
        endforeach()
    endforeach()
endforeach()

# The core is handed its connection, session and the rest by whoever builds
# it: no process-wide accessor is looked up there, however it is spaced.
foreach(folder ${order})
    file(GLOB sources "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
    foreach(source ${sources})
        file(STRINGS "${source}" lookups REGEX "::[ \t]*instance[ \t]*\\(|&[ \t]*instance[ \t]*\\(")
        foreach(line ${lookups})
            string(STRIP "${line}" line)
            string(APPEND failures "\n  ${source}: ${line} (no instance() in the core)")
        endforeach()
    endforeach()
endforeach()

# The side-by-side command folders never include each other.
foreach(folder ${peers})
    file(GLOB sources "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
    foreach(source ${sources})
        read_includes("${source}" includes)
        foreach(line ${includes})
            foreach(peer ${peers})
                if(NOT peer STREQUAL folder AND line MATCHES "^#include \"${peer}/")
                    string(APPEND failures "\n  ${source}: ${line} (${folder}/ and ${peer}/ stand side by side)")
                endif()
            endforeach()
        endforeach()
    endforeach()
endforeach()

# The forms layer. A generated form header belongs to the folder of its .ui
# file; a controller is a forms/ header that carries out the cashier's
# commands on the desk's context.
set(desk_shared board/forms/DeskContext.h board/forms/CommandFrame.h)
set(controller_pattern "^[a-z]+/forms/([A-Za-z]+Commands|SplitTransfer|SuiteLinks)\\.h$")
file(GLOB_RECURSE ui_files RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*.ui")
foreach(ui ${ui_files})
    get_filename_component(ui_name "${ui}" NAME_WE)
    get_filename_component(ui_folder "${ui}" DIRECTORY)
    set(ui_home_${ui_name} "${ui_folder}")
endforeach()

file(STRINGS "${FORMS_EDGES}" allowed_lines)
set(allowed_edges "")
foreach(line ${allowed_lines})
    if(line MATCHES "^([^ #]+) -> ([^ #]+)")
        list(APPEND allowed_edges "${CMAKE_MATCH_1} -> ${CMAKE_MATCH_2}")
    endif()
endforeach()

set(found_edges "")
file(GLOB_RECURSE forms_sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.cpp")
foreach(source ${forms_sources})
    string(REGEX MATCH "^[a-z]+" source_folder "${source}")
    set(in_forms FALSE)
    if(source MATCHES "^[a-z]+/forms/")
        set(in_forms TRUE)
    endif()
    read_includes("${SOURCE_DIR}/${source}" includes)
    foreach(line ${includes})
        set(target "")
        if(line MATCHES "^#include \"ui_([A-Za-z]+)\\.h\"")
            if(DEFINED ui_home_${CMAKE_MATCH_1})
                set(target "${ui_home_${CMAKE_MATCH_1}}/ui_${CMAKE_MATCH_1}.h")
            endif()
        elseif(line MATCHES "^#include \"([a-z]+/forms/[^\"]+)\"")
            set(target "${CMAKE_MATCH_1}")
        endif()
        if(target STREQUAL "" OR target MATCHES "^${source_folder}/")
            continue()
        endif()
        set(edge "${source} -> ${target}")
        if(target MATCHES "${controller_pattern}")
            if(source STREQUAL "board/forms/MainForm.cpp" OR source MATCHES "^app/")
                continue()
            endif()
            list(FIND allowed_edges "${edge}" listed)
            if(listed EQUAL -1)
                string(APPEND failures "\n  ${edge} (only MainForm.cpp and app/ include another folder's controllers)")
            endif()
            list(APPEND found_edges "${edge}")
        elseif(in_forms)
            list(FIND desk_shared "${target}" shared)
            if(shared GREATER_EQUAL 0)
                continue()
            endif()
            list(FIND allowed_edges "${edge}" listed)
            if(listed EQUAL -1)
                string(APPEND failures
                       "\n  ${edge} (a forms/ folder takes only DeskContext.h and CommandFrame.h of another folder's forms)")
            endif()
            list(APPEND found_edges "${edge}")
        endif()
    endforeach()
endforeach()

foreach(edge ${allowed_edges})
    list(FIND found_edges "${edge}" still)
    if(still EQUAL -1)
        string(APPEND failures "\n  ${edge} is gone from the code: take it off ${FORMS_EDGES}")
    endif()
endforeach()

if(failures)
    message(FATAL_ERROR "Layering broken:${failures}")
endif()
