# zenlark_add_version_resource(target "description"): gives a Windows program or DLL a version
# resource (product name, file description, project version) that Explorer shows in the file's
# properties. Does nothing outside Windows builds.
set(ZENLARK_PRODUCT_NAME "Zenlark VDJ Standalone Bridge")
set(ZENLARK_VERSION_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/version.rc.in)

if(WIN32)
    enable_language(RC)
endif()

function(zenlark_add_version_resource target description)
    if(NOT WIN32)
        return()
    endif()
    # The resource compiler takes the string as written; a quote would end it early.
    if(description MATCHES "[\"\\\\]")
        message(FATAL_ERROR "version description of ${target} must not hold quotes or backslashes")
    endif()
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "SHARED_LIBRARY" OR type STREQUAL "MODULE_LIBRARY")
        set(ZENLARK_RC_FILE_TYPE VFT_DLL)
    elseif(type STREQUAL "EXECUTABLE")
        set(ZENLARK_RC_FILE_TYPE VFT_APP)
    else()
        message(FATAL_ERROR "zenlark_add_version_resource: ${target} is neither a DLL nor a program")
    endif()
    set(ZENLARK_RC_TARGET ${target})
    set(ZENLARK_RC_DESCRIPTION "${description}")
    set(ZENLARK_RC_PRODUCT "${ZENLARK_PRODUCT_NAME}")
    # The numeric version has four parts; missing ones count as 0.
    set(ZENLARK_RC_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")
    string(REPLACE ",," ",0," ZENLARK_RC_VERSION_COMMAS "${ZENLARK_RC_VERSION_COMMAS}")
    string(REGEX REPLACE "^," "0," ZENLARK_RC_VERSION_COMMAS "${ZENLARK_RC_VERSION_COMMAS}")

    # Configure the project's values first, then let generation fill in the file's final name.
    set(configured ${CMAKE_CURRENT_BINARY_DIR}/${target}-version.rc.in)
    set(generated ${CMAKE_CURRENT_BINARY_DIR}/${target}-version.rc)
    configure_file(${ZENLARK_VERSION_TEMPLATE} ${configured} @ONLY)
    file(GENERATE OUTPUT ${generated} INPUT ${configured})
    target_sources(${target} PRIVATE ${generated})
    # Tests read the description back from here.
    set_target_properties(${target} PROPERTIES ZENLARK_VERSION_DESCRIPTION "${description}")
endfunction()
