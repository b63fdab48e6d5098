# Writes the payloads of the built-in catalog into the bundle's resource folder. Run as a script:
#   cmake -DRESOURCES=<Contents/Resources> -DTHUMBNAILS=<folder of thumbnails> -DWORK=<scratch>
#         -P MarloxPayloads.cmake
# Every payload path the catalog names is made here: standalone plug-in bundles, an application
# carrying two plug-ins, zipped plug-ins with a "__MACOSX" folder beside the bundle, and Motion
# Templates as a folder and as archives. The bundles hold what real ones hold: an Info.plist, an
# executable, resources, a hidden file and, in the application, a framework with symbolic links.

cmake_minimum_required(VERSION 3.25)

# The script runs itself with MODE=zip inside the folder whose entries it archives, since an
# archive keeps its entries' paths as given.
if(MODE STREQUAL "zip")
    file(ARCHIVE_CREATE OUTPUT "${OUTPUT}" PATHS ${ENTRIES} FORMAT zip MTIME "${TIME}")
    return()
endif()

foreach(variable IN ITEMS RESOURCES THUMBNAILS WORK)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "MarloxPayloads.cmake needs -D${variable}=...")
    endif()
endforeach()

set(payloads "${RESOURCES}/Payloads")
set(templates "${RESOURCES}/Templates")
file(REMOVE_RECURSE "${payloads}" "${templates}" "${WORK}")
file(MAKE_DIRECTORY "${payloads}" "${templates}" "${WORK}")

# A fixed time for every archive entry, so that a rebuild gives the same bytes.
set(fixed_time "2026-12-01 09:00:00 UTC")

function(write_info_plist path identifier name executable version extra)
    file(WRITE "${path}" "<?xml version=\"1.0\" encoding=\"UTF-8\"?>
<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">
<plist version=\"1.0\">
<dict>
\t<key>CFBundleExecutable</key>
\t<string>${executable}</string>
\t<key>CFBundleIdentifier</key>
\t<string>${identifier}</string>
\t<key>CFBundleName</key>
\t<string>${name}</string>
\t<key>CFBundleShortVersionString</key>
\t<string>${version}</string>
\t<key>CFBundleVersion</key>
\t<string>${version}</string>
${extra}</dict>
</plist>
")
endfunction()

function(write_executable path text)
    file(WRITE "${path}" "#!/bin/sh\n# ${text}\nexit 0\n")
    file(CHMOD "${path}" FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
         GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endfunction()

# plugin_bundle(<folder> <executable name> <display name> <identifier> <version>)
function(plugin_bundle folder executable name identifier version)
    set(contents "${folder}/Contents")
    write_info_plist("${contents}/Info.plist" "${identifier}" "${name}" "${executable}" "${version}"
        "\t<key>CFBundlePackageType</key>\n\t<string>XPC!</string>\n\t<key>PlugInKit</key>\n\t<dict>\n\t\t<key>Protocol</key>\n\t\t<string>FxPlug</string>\n\t</dict>\n")
    write_executable("${contents}/MacOS/${executable}" "${name} FxPlug service")
    file(WRITE "${contents}/Resources/${executable}.strings"
         "\"name\" = \"${name}\";\n\"version\" = \"${version}\";\n")
    file(WRITE "${contents}/Resources/.defaults" "# default parameters of ${name}\n")
endfunction()

# zip(<archive> <folder holding the entries> <entry>...)
function(zip archive folder)
    execute_process(
        COMMAND "${CMAKE_COMMAND}" -DMODE=zip -DOUTPUT=${archive} -DTIME=${fixed_time}
                "-DENTRIES=${ARGN}" -P "${CMAKE_CURRENT_LIST_FILE}"
        WORKING_DIRECTORY "${folder}" COMMAND_ERROR_IS_FATAL ANY)
endfunction()

# The apple-double files a Mac's archiver adds for every item, in a "__MACOSX" folder.
function(apple_double folder item)
    file(WRITE "${folder}/__MACOSX/._${item}" "apple-double attributes of ${item}\n")
    file(WRITE "${folder}/__MACOSX/${item}/._Contents" "apple-double attributes of ${item}/Contents\n")
endfunction()

function(motion_template folder name thumbnail)
    file(WRITE "${folder}/${name}/${name}.moti"
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ozml version=\"5.11\">\n\t<scene name=\"${name}\" width=\"1920\" height=\"1080\" frameRate=\"25\"/>\n</ozml>\n")
    file(COPY_FILE "${THUMBNAILS}/${thumbnail}.png" "${folder}/${name}/large.png")
endfunction()

# Standalone plug-in bundles.
foreach(plugin IN ITEMS
        "CountdownPro|Countdown Pro|studio.marlox.countdown-pro.fxplug|2.3.0"
        "TimecodeBurnIn|Timecode Burn-In|studio.marlox.timecode-burn.fxplug|1.4.2"
        "FilmGrade|Film Grade|studio.marlox.film-grade.fxplug|2.1.0"
        "Letterbox|Letterbox|studio.marlox.letterbox.fxplug|1.1.3"
        "FrameKit|Frame Kit|studio.marlox.frame-kit.fxplug|1.0.4"
        "ChromaKey|Chroma Key|studio.marlox.chroma-key.fxplug|2.2.1"
        "LightWrap|Light Wrap|studio.marlox.light-wrap.fxplug|1.0.0")
    string(REPLACE "|" ";" fields "${plugin}")
    list(GET fields 0 executable)
    list(GET fields 1 name)
    list(GET fields 2 identifier)
    list(GET fields 3 version)
    # A folder payload becomes the package's install folder; the bundle lies inside it.
    plugin_bundle("${payloads}/${executable}/${executable}.pluginkit" "${executable}" "${name}"
        "${identifier}" "${version}")
endforeach()

# An application with two embedded plug-ins and a versioned framework.
set(suite "${payloads}/ColorSuite/ColorSuite.app/Contents")
write_info_plist("${suite}/Info.plist" "studio.marlox.color-suite" "Color Suite" "ColorSuite" "4.0.2"
    "\t<key>CFBundlePackageType</key>\n\t<string>APPL</string>\n")
write_executable("${suite}/MacOS/ColorSuite" "Color Suite scopes")
file(WRITE "${suite}/Resources/.presets" "shared presets of both filters\n")
plugin_bundle("${suite}/PlugIns/ColorSuiteCurves.pluginkit" "ColorSuiteCurves" "Color Suite Curves"
    "studio.marlox.color-suite.curves" "4.0.2")
plugin_bundle("${suite}/PlugIns/ColorSuiteHueVsHue.pluginkit" "ColorSuiteHueVsHue"
    "Color Suite Hue vs Hue" "studio.marlox.color-suite.hue-vs-hue" "4.0.2")
set(framework "${suite}/Frameworks/ColorCore.framework")
write_executable("${framework}/Versions/A/ColorCore" "Color Suite colour science")
file(CREATE_LINK "A" "${framework}/Versions/Current" SYMBOLIC)
file(CREATE_LINK "Versions/Current/ColorCore" "${framework}/ColorCore" SYMBOLIC)

# Zipped plug-ins, archived as a Mac does it: the bundle and a "__MACOSX" folder.
foreach(plugin IN ITEMS
        "GridLayout|Grid Layout|studio.marlox.grid-layout.fxplug|1.2.0"
        "EdgeMatte|Edge Matte|studio.marlox.edge-matte.fxplug|1.3.0")
    string(REPLACE "|" ";" fields "${plugin}")
    list(GET fields 0 executable)
    list(GET fields 1 name)
    list(GET fields 2 identifier)
    list(GET fields 3 version)
    set(folder "${WORK}/${executable}")
    plugin_bundle("${folder}/${executable}.pluginkit" "${executable}" "${name}" "${identifier}" "${version}")
    apple_double("${folder}" "${executable}.pluginkit")
    zip("${payloads}/${executable}.zip" "${folder}" "${executable}.pluginkit" "__MACOSX")
endforeach()

# Motion Templates: a folder, and two archives with several top-level entries.
motion_template("${templates}/KineticTitles" "Slide Up" "kinetic-titles")
motion_template("${templates}/KineticTitles" "Typewriter" "kinetic-titles")

set(folder "${WORK}/FrameKitTemplates")
motion_template("${folder}/Frame Kit Splits" "Four-Way Split" "frame-kit")
motion_template("${folder}/Frame Kit Borders" "Rounded Border" "frame-kit")
apple_double("${folder}" "Frame Kit Splits")
zip("${templates}/FrameKit.zip" "${folder}" "Frame Kit Splits" "Frame Kit Borders" "__MACOSX")

set(folder "${WORK}/TransitionsTemplates")
motion_template("${folder}/Whip Pans" "Whip Pan Left" "transitions-pack")
motion_template("${folder}/Light Leaks" "Warm Leak" "transitions-pack")
apple_double("${folder}" "Whip Pans")
zip("${templates}/TransitionsPack.zip" "${folder}" "Whip Pans" "Light Leaks" "__MACOSX")

file(REMOVE_RECURSE "${WORK}")
