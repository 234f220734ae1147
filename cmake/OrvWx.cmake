# wxWidgets 3.2 as two interface targets: orv_wx_base (base + xml, no display needed) and
# orv_wx_gui (adds the GTK core library).

if(ORV_WINDOWS_TARGETS)
    find_package(wxWidgets 3.2 REQUIRED COMPONENTS core base xml)
    add_library(orv_wx_base INTERFACE)
    target_include_directories(orv_wx_base SYSTEM INTERFACE ${wxWidgets_INCLUDE_DIRS})
    target_compile_definitions(orv_wx_base INTERFACE ${wxWidgets_DEFINITIONS})
    target_link_libraries(orv_wx_base INTERFACE ${wxWidgets_LIBRARIES})
    add_library(orv_wx_gui INTERFACE)
    target_link_libraries(orv_wx_gui INTERFACE orv_wx_base)
    return()
endif()

find_program(ORV_WX_CONFIG NAMES wx-config REQUIRED)

function(orv_wx_target name libs)
    execute_process(COMMAND ${ORV_WX_CONFIG} --cxxflags OUTPUT_VARIABLE cxxflags
                    OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND ${ORV_WX_CONFIG} --libs ${libs} OUTPUT_VARIABLE ldflags
                    OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(cxxflags UNIX_COMMAND "${cxxflags}")
    separate_arguments(ldflags UNIX_COMMAND "${ldflags}")
    set(includes "")
    set(options "")
    foreach(flag IN LISTS cxxflags)
        if(flag MATCHES "^-I(.*)")
            list(APPEND includes ${CMAKE_MATCH_1})
        else()
            list(APPEND options ${flag})
        endif()
    endforeach()
    add_library(${name} INTERFACE)
    # SYSTEM keeps the toolkit's own warnings out of our -Werror build.
    target_include_directories(${name} SYSTEM INTERFACE ${includes})
    target_compile_options(${name} INTERFACE ${options})
    target_link_libraries(${name} INTERFACE ${ldflags})
endfunction()

orv_wx_target(orv_wx_base "base,xml")
orv_wx_target(orv_wx_gui "core,base,xml")
