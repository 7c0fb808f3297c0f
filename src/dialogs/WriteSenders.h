#pragma once
#include <QByteArray>
#include <optional>

namespace qvx {

class ProgramServices;

// The blocks of the dialogs' writes, built when the deferred-write timer fires. Each one
// either returns its data or shows one "Message Warning" naming the first field that fails
// and returns nothing.
std::optional<QByteArray> sourceFilterBlock(ProgramServices &services); // command 106
std::optional<QByteArray> bridgeBlock(ProgramServices &services);       // command 111
std::optional<QByteArray> macCodeBlock(ProgramServices &services);      // command 113

// Starts the write sequence of writeCode, its block built by `build`.
void startWriteSequence(ProgramServices &services, quint8 writeCode,
                        std::optional<QByteArray> (*build)(ProgramServices &));

} // namespace qvx
