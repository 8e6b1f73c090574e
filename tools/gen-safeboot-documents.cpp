// Writes the four SafeBoot documents from the table into the given folder.
#include <cstdio>
#include <fstream>
#include <string>

#include "safeboot/documents/safeboot_documents.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    for (size_t document = 0; document < qv::kSafeBootDocumentNames.size(); ++document) {
        const std::string path =
            std::string(argv[1]) + "/" + std::string(qv::kSafeBootDocumentNames[document]) + ".reg";
        const auto bytes = qv::BuildSafeBootDocument(document);
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!file) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s: %zu bytes\n", path.c_str(), bytes.size());
    }
    return 0;
}
