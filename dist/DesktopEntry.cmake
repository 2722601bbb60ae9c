# Runs at install time: a desktop entry must name the program and its icon by absolute path,
# and only now is it known where the program folder lies.
get_filename_component(program_dir "${CMAKE_INSTALL_PREFIX}" ABSOLUTE BASE_DIR "${CMAKE_BINARY_DIR}")

# Exec holds the path in double quotes, where \ " ` $ are escaped; every value then escapes its
# backslashes once more, and Exec doubles a %.
set(exec "${program_dir}/CF20914")
string(REGEX REPLACE "([\\\\\"`$])" "\\\\\\1" exec "${exec}")
set(exec "\"${exec}\"")
string(REPLACE "%" "%%" exec "${exec}")
string(REPLACE "\\" "\\\\" DESKTOP_EXEC "${exec}")
string(REPLACE "\\" "\\\\" DESKTOP_ICON "${program_dir}/CF20914.png")

set(entry "$ENV{DESTDIR}${program_dir}/CF20914.desktop")
message(STATUS "Installing: ${entry}")
configure_file("${CF_DIST_DIR}/CF20914.desktop.in" "${entry}" @ONLY)
