// Shows message boxes one after another and prints what each returned, for
// the answerer's tests. Arguments are MessageBoxA styles (default: 0 35 36).

#include <cstdio>
#include <cstdlib>
#include <string>

#include <windows.h>

int main(int argc, char** argv) {
    const char* defaults[] = {"0", "35", "36"};
    int count = argc > 1 ? argc - 1 : 3;
    for (int i = 0; i < count; ++i) {
        const char* style = argc > 1 ? argv[i + 1] : defaults[i];
        // CR LF inside the text and an ANSI-only letter (0xE9, e acute in
        // code page 1252) show how the text reaches the answerer's log.
        std::string text = "Message " + std::to_string(i + 1) + "\r\nStyle " + style + " \xE9t\xE9";
        std::string title = "Box " + std::to_string(i + 1);
        int answer = MessageBoxA(nullptr, text.c_str(), title.c_str(), std::atoi(style));
        std::printf("%d\n", answer);
        std::fflush(stdout);
    }
    return 0;
}
