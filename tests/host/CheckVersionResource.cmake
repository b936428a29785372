# Fails unless FILE carries a version resource with the product name, the description and the
# project VERSION, both as the fixed numbers Explorer shows as "File version" and as strings.
# Usage: cmake -DFILE=... -DVERSION=1.2.3 -DPRODUCT=... -DDESCRIPTION=... -P CheckVersionResource.cmake
file(READ ${FILE} image HEX)

# Resource strings are UTF-16LE; for ASCII text that is each byte followed by a zero byte.
function(utf16_hex text out)
    string(HEX "${text}" hex)
    string(REGEX REPLACE "(..)" "\\100" hex "${hex}")
    set(${out} ${hex} PARENT_SCOPE)
endfunction()

# A string value: its key, the terminator, padding to 32 bits, then the value and its terminator.
function(require_value key value)
    utf16_hex("${key}" key_hex)
    utf16_hex("${value}" value_hex)
    if(NOT image MATCHES "${key_hex}0000(0000)?${value_hex}0000")
        message(FATAL_ERROR "${FILE}: no version string ${key} = \"${value}\"")
    endif()
endfunction()

# 32-bit little-endian hex of (high << 16 | low).
function(version_word high low out)
    math(EXPR word "(${high} << 16) | ${low}" OUTPUT_FORMAT HEXADECIMAL)
    string(REGEX REPLACE "^0x" "" word "${word}")
    string(LENGTH "${word}" length)
    while(length LESS 8)
        string(PREPEND word "0")
        math(EXPR length "${length} + 1")
    endwhile()
    string(REGEX REPLACE "(..)(..)(..)(..)" "\\4\\3\\2\\1" word "${word}")
    string(TOLOWER "${word}" word)
    set(${out} ${word} PARENT_SCOPE)
endfunction()

utf16_hex("VS_VERSION_INFO" signature)
if(NOT image MATCHES "${signature}")
    message(FATAL_ERROR "${FILE}: no version resource")
endif()

string(REPLACE "." ";" versionFields "${VERSION}")
list(APPEND versionFields 0 0 0)
list(GET versionFields 0 major)
list(GET versionFields 1 minor)
list(GET versionFields 2 patch)
version_word(${major} ${minor} most)
version_word(${patch} 0 least)
# VS_FIXEDFILEINFO: signature 0xFEEF04BD, structure version, then the file version words.
if(NOT image MATCHES "bd04effe........${most}${least}${most}${least}")
    message(FATAL_ERROR "${FILE}: the fixed file and product version are not ${major}.${minor}.${patch}.0")
endif()

require_value("ProductName" "${PRODUCT}")
require_value("FileDescription" "${DESCRIPTION}")
require_value("FileVersion" "${VERSION}")
require_value("ProductVersion" "${VERSION}")
message(STATUS "${FILE}: ${PRODUCT} ${VERSION}")
