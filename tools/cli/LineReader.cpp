#include "LineReader.h"

#include <iostream>
#include <string>
#include <thread>

LineReader* LineReader::instance() {
    static LineReader* const reader = [] {
        auto* created = new LineReader;
        std::thread([created] {
            std::string line;
            while (std::getline(std::cin, line)) {
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                emit created->lineRead(QString::fromStdString(line));
            }
            emit created->closed();
        }).detach();
        return created;
    }();
    return reader;
}
