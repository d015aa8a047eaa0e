/* A point-of-sale program's writer on Windows that holds the capture file while it writes a
   document: the file is opened with share mode 0, so no other program may open it meanwhile.
   It writes the first line, makes the file "writer-holds-it" to say so, waits, writes the
   second line and closes. Usage: held_writer NAME MILLISECONDS */
#include <windows.h>
#include <stdlib.h>
#include <string.h>

static int write_text(HANDLE file, const char *text) {
  DWORD written = 0;
  return WriteFile(file, text, (DWORD)strlen(text), &written, NULL) && written == strlen(text);
}

int main(int argc, char **argv) {
  HANDLE file;
  HANDLE note;
  if (argc != 3) return 2;
  file = CreateFileA(argv[1], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return 1;
  if (!write_text(file, "HELD ONE\r\n")) return 1;
  note = CreateFileA("writer-holds-it", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (note != INVALID_HANDLE_VALUE) CloseHandle(note);
  Sleep((DWORD)atoi(argv[2]));
  if (!write_text(file, "HELD TWO\r\n")) return 1;
  return CloseHandle(file) ? 0 : 1;
}
