// TavNoteMain
