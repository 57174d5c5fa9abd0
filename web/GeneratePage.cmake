# Writes the page's HTML, style sheet and script from their templates, with what the page shares
# with the desktop written in where the templates name it: the dialog's geometry, ranges and start
# values from its form, and the core's facts (keys, modes, buttons, colours) that the page-facts
# program printed. Run as
#   cmake -DFORM=... -DFACTS=... -DSITE=... -DTEMPLATES="..." -P GeneratePage.cmake
# Each widget's numbers are named WIDGET_X, _Y, _W and _H for its geometry, and WIDGET_minimum,
# _maximum, _value and _pageStep for its properties (Qt's defaults where the form gives none).

file(STRINGS ${FORM} lines)
set(widget "")
set(property "")
foreach(line IN LISTS lines)
    if(line MATCHES "<widget class=\"[^\"]*\" name=\"([^\"]*)\"")
        set(widget ${CMAKE_MATCH_1})
        set(${widget}_minimum 0)
        set(${widget}_value 0)
        set(${widget}_pageStep 10)
    elseif(line MATCHES "<property name=\"([^\"]*)\"")
        set(property ${CMAKE_MATCH_1})
    elseif(property STREQUAL "geometry" AND line MATCHES "<(x|y|width|height)>(-?[0-9]+)</")
        string(SUBSTRING ${CMAKE_MATCH_1} 0 1 coordinate)
        string(TOUPPER ${coordinate} coordinate)
        set(${widget}_${coordinate} ${CMAKE_MATCH_2})
    elseif(line MATCHES "<number>(-?[0-9]+)</number>")
        set(${widget}_${property} ${CMAKE_MATCH_1})
    endif()
endforeach()

file(STRINGS ${FACTS} facts)
foreach(fact IN LISTS facts)
    if(fact MATCHES "^([A-Z_]+)=(.*)$")
        set(${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
    endif()
endforeach()

foreach(template IN LISTS TEMPLATES)
    # A name the template gives and nothing here defines would leave a hole in the page.
    file(READ ${template} text)
    string(REGEX MATCHALL "@[A-Za-z0-9_]+@" names "${text}")
    foreach(name IN LISTS names)
        string(REGEX REPLACE "^@(.*)@$" "\\1" name ${name})
        if(NOT DEFINED ${name})
            message(FATAL_ERROR "${template}: @${name}@ is not defined")
        endif()
    endforeach()
    get_filename_component(name ${template} NAME)
    string(REGEX REPLACE "\\.in$" "" name ${name})
    configure_file(${template} ${SITE}/${name} @ONLY)
endforeach()
