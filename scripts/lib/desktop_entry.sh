# Writes the desktop's menu entry for a diary installed in a folder.
# Sourced, not run. Usage: write_desktop_entry FOLDER FILE
# FOLDER holds the installed program; FILE is the .desktop file to write.

# A value of type string: a backslash, a newline, a tab and a carriage
# return take the entry format's escapes.
desktop_string() {
    local value="${1//\\/\\\\}"
    value="${value//$'\n'/\\n}"
    value="${value//$'\t'/\\t}"
    printf '%s' "${value//$'\r'/\\r}"
}

# One argument of Exec: in double quotes, where ", `, $ and \ take a
# backslash; % is doubled, as it would start a field code; then the whole
# is a string value like any other, so each of those backslashes is doubled
# again.
desktop_exec_argument() {
    local value="${1//\\/\\\\}"
    value="${value//\"/\\\"}"
    value="${value//\`/\\\`}"
    value="${value//\$/\\\$}"
    value="${value//%/%%}"
    desktop_string "\"$value\""
}

write_desktop_entry() {
    local folder="$1" file="$2"
    mkdir -p "$(dirname "$file")"
    # StartupWMClass is the class of the windows' WM_CLASS, which the
    # program sets as its application name.
    # Exec and Path name the folder itself: the program keeps its diary
    # beside itself, so it must start from there and nowhere else.
    # One main category, so the menu lists the diary once.
    cat > "$file" <<ENTRY
[Desktop Entry]
Type=Application
Name=Ombrel JotWell
GenericName=Diary
Comment=A small diary: one free-text entry per calendar day
Exec=$(desktop_exec_argument "$folder/ojw")
Path=$(desktop_string "$folder")
Icon=ombrel-jotwell
Terminal=false
Categories=Office;
Keywords=diary;journal;notes;
StartupNotify=true
StartupWMClass=Ombrel JotWell
ENTRY
}
