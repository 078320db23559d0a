# Writes the desktop's menu entry for a diary installed in a folder.
# Sourced, not run. Usage: write_desktop_entry FOLDER FILE
# FOLDER holds the installed program; FILE is the .desktop file to write.
write_desktop_entry() {
    local folder="$1" file="$2"
    mkdir -p "$(dirname "$file")"
    # StartupWMClass is the class of the windows' WM_CLASS, which the
    # program sets as its application name.
    # Exec and Path name the folder itself: the program keeps its diary
    # beside itself, so it must start from there and nowhere else.
    cat > "$file" <<ENTRY
[Desktop Entry]
Type=Application
Name=Ombrel JotWell
GenericName=Diary
Comment=A small diary: one free-text entry per calendar day
Exec="$folder/ojw"
Path=$folder
Icon=ombrel-jotwell
Terminal=false
Categories=Office;Utility;
Keywords=diary;journal;notes;
StartupNotify=true
StartupWMClass=Ombrel JotWell
ENTRY
}
