# The Manrope font files the bundle carries, found where the system keeps its fonts rather than
# assumed at one distribution's path: the folder named by MARLOX_MANROPE_FONT_DIR, else the one
# fontconfig knows Manrope from, else the usual font folders. Without them the configure step
# fails: the screens and their golden pictures are drawn with Manrope and no other face.
set(MARLOX_MANROPE_FONT_DIR "" CACHE PATH
    "Folder holding the Manrope font files (Manrope*.ttf); looked for when empty")

function(marlox_find_manrope_font_files out)
    set(folder "${MARLOX_MANROPE_FONT_DIR}")
    if(NOT folder)
        find_program(MARLOX_FC_MATCH fc-match)
        if(MARLOX_FC_MATCH)
            # fontconfig answers with a stand-in face when it has no Manrope: check the name.
            execute_process(COMMAND "${MARLOX_FC_MATCH}" "--format=%{file}" "Manrope:style=Regular"
                            OUTPUT_VARIABLE matched RESULT_VARIABLE status ERROR_QUIET)
            if(status EQUAL 0 AND matched MATCHES "/Manrope[^/]*\\.ttf$")
                cmake_path(GET matched PARENT_PATH folder)
            endif()
        endif()
    endif()
    if(NOT folder)
        set(data_folders "$ENV{XDG_DATA_HOME}" "$ENV{HOME}/.local/share")
        string(REPLACE ":" ";" system_data_folders "$ENV{XDG_DATA_DIRS}")
        list(APPEND data_folders ${system_data_folders} /usr/local/share /usr/share)
        list(TRANSFORM data_folders APPEND "/fonts")
        find_path(MARLOX_MANROPE_FOUND_DIR NAMES Manrope-Regular.ttf
                  PATHS ${data_folders} "$ENV{HOME}/Library/Fonts" /Library/Fonts
                  PATH_SUFFIXES truetype/manrope opentype/manrope manrope truetype opentype
                  NO_DEFAULT_PATH)
        if(MARLOX_MANROPE_FOUND_DIR)
            set(folder "${MARLOX_MANROPE_FOUND_DIR}")
        endif()
    endif()
    set(files "")
    if(folder)
        file(GLOB files "${folder}/Manrope*.ttf")
    endif()
    if(NOT files)
        set(where "")
        if(folder)
            set(where " in ${folder}")
        endif()
        message(FATAL_ERROR
            "The Manrope font files (Manrope*.ttf) were not found${where}: the bundle carries "
            "them and every screen is drawn with them. Install Debian's fonts-manrope "
            "(scripts/install-dependencies.sh does), or name the folder that holds them with "
            "-DMARLOX_MANROPE_FONT_DIR=<folder>.")
    endif()
    list(SORT files)
    message(STATUS "Manrope font files: ${folder}")
    set(${out} ${files} PARENT_SCOPE)
endfunction()
