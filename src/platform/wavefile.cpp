// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wavefile.h"

namespace Wave {

namespace {

// Little-endian fields; the caller has checked that they lie inside `bytes`.
quint32 le16(const QByteArray &bytes, qint64 at)
{
    return quint8(bytes[at]) | quint32(quint8(bytes[at + 1])) << 8;
}

quint32 le32(const QByteArray &bytes, qint64 at)
{
    return le16(bytes, at) | le16(bytes, at + 2) << 16;
}

} // namespace

std::optional<Pcm> parse(const QByteArray &bytes)
{
    if (bytes.size() < 12 || bytes.size() > MaxFileSize || !bytes.startsWith("RIFF")
        || bytes.mid(8, 4) != "WAVE")
        return std::nullopt;
    // The chunks end where the RIFF header says; a file shorter than that
    // lost its end, and bytes after it are not part of the sound.
    const qint64 end = 8 + qint64(le32(bytes, 4));
    if (end > bytes.size())
        return std::nullopt;

    Pcm pcm;
    for (qint64 at = 12; at + 8 <= end;) {
        const QByteArray id = bytes.mid(at, 4);
        const qint64 size = le32(bytes, at + 4);
        const qint64 body = at + 8;
        if (body + size > end)
            return std::nullopt;
        if (id == "fmt ") {
            if (size < 16 || pcm.channels != 0)
                return std::nullopt;
            const quint32 tag = le16(bytes, body), channels = le16(bytes, body + 2);
            const quint32 rate = le32(bytes, body + 4), byteRate = le32(bytes, body + 8);
            const quint32 blockAlign = le16(bytes, body + 12), bits = le16(bytes, body + 14);
            if (tag != 1 || (channels != 1 && channels != 2) || (bits != 8 && bits != 16)
                || rate < 1 || rate > 384000 || blockAlign != channels * bits / 8
                || byteRate != rate * blockAlign)
                return std::nullopt;
            pcm.channels = int(channels);
            pcm.bitsPerSample = int(bits);
            pcm.rate = rate;
        } else if (id == "data") {
            // The format comes first, and the frames are whole.
            const qint64 frameSize = qint64(pcm.channels) * pcm.bitsPerSample / 8;
            if (frameSize == 0 || size == 0 || size % frameSize != 0)
                return std::nullopt;
            pcm.frames = bytes.mid(body, size);
            return pcm;
        }
        // Chunks start on even offsets: an odd-sized one is followed by a pad byte.
        at = body + size + (size & 1);
    }
    return std::nullopt;
}

} // namespace Wave
