#pragma once

#include <QString>

// The per-user list of programs started at log-in, one command line per entry
// name.
namespace AutoRunStore {

// The entry's command line (program, a blank, the arguments); empty when
// there is no such entry.
QString read(const QString& name);
void write(const QString& name, const QString& program, const QString& arguments);
void remove(const QString& name);

} // namespace AutoRunStore
