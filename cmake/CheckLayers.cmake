# Fails the build when a file breaks the layering of src/:
#  - the widget-free core (every folder's top, platform/ and data/) includes
#    no widget, Gui or generated form header and nothing from a forms/
#    folder, platform/ui/, modules/ or app/;
#  - a core folder includes only from itself and the folders below it, so
#    no include cycle can form between them;
#  - the core looks up no process-wide instance().
# Run with -DSOURCE_DIR=<src>.

# Lowest first; a folder may include from the folders before it.
set(order platform data session board tables items printing)
# Widget-free folders that sit side by side may not include each other.
set(peers tables items printing)

set(forbidden_patterns
    "^#include <Q(Widget|Application|MessageBox|Dialog|Tree|LineEdit|Label|PushButton|ComboBox|Frame|GroupBox|Icon|Painter|Printer|KeyEvent|FocusEvent|Color|Brush|Font|Gui|Pixmap|Image|Shortcut|Action|Abstract(Button|ItemView)|Header|Layout|Menu)"
    "^#include <Qt(Widgets|Gui|PrintSupport|Svg)"
    "^#include \"ui_"
    "^#include \"[a-z]+/forms/"
    "^#include \"platform/ui/"
    "^#include \"(modules|app)/")

set(failures "")
list(LENGTH order count)
math(EXPR last "${count} - 1")
foreach(index RANGE ${last})
    list(GET order ${index} folder)
    list(SUBLIST order 0 ${index} below)
    file(GLOB sources "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
    foreach(source ${sources})
        file(STRINGS "${source}" includes REGEX "^#include ")
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
# it: no process-wide accessor is looked up there.
foreach(folder ${order})
    file(GLOB sources "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
    foreach(source ${sources})
        file(STRINGS "${source}" lookups REGEX "::instance\\(\\)|static [A-Za-z]+ &instance\\(\\)")
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
        file(STRINGS "${source}" includes REGEX "^#include \"[a-z]+/")
        foreach(line ${includes})
            foreach(peer ${peers})
                if(NOT peer STREQUAL folder AND line MATCHES "^#include \"${peer}/")
                    string(APPEND failures "\n  ${source}: ${line} (${folder}/ and ${peer}/ stand side by side)")
                endif()
            endforeach()
        endforeach()
    endforeach()
endforeach()

if(failures)
    message(FATAL_ERROR "Layering broken:${failures}")
endif()
