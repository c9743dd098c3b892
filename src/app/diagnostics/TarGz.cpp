#include "app/diagnostics/TarGz.h"

#include <zlib.h>

#include <array>
#include <cstring>

namespace amplora::diagnostics {

namespace {

constexpr qsizetype blockSize = 512;

// A number as the octal digits a ustar field holds, with the terminating NUL.
void writeOctal(char *field, qsizetype width, qint64 value)
{
    const QByteArray digits = QByteArray::number(value, 8).rightJustified(width - 1, '0');
    std::memcpy(field, digits.constData(), size_t(width - 1));
    field[width - 1] = '\0';
}

QByteArray header(const QByteArray &name, qint64 size, qint64 modified)
{
    std::array<char, blockSize> block {};
    // The name field holds 100 bytes; longer names keep their end, where the distinguishing part is.
    const QByteArray stored = name.size() > 99 ? name.right(99) : name;
    std::memcpy(block.data(), stored.constData(), size_t(stored.size()));
    writeOctal(block.data() + 100, 8, 0644); // mode
    writeOctal(block.data() + 108, 8, 0); // uid
    writeOctal(block.data() + 116, 8, 0); // gid
    writeOctal(block.data() + 124, 12, size);
    writeOctal(block.data() + 136, 12, modified);
    block[156] = '0'; // a regular file
    std::memcpy(block.data() + 257, "ustar", 6);
    std::memcpy(block.data() + 263, "00", 2);
    // The checksum is counted with its own field as spaces.
    std::memset(block.data() + 148, ' ', 8);
    unsigned sum = 0;
    for (const char c : block) {
        sum += static_cast<unsigned char>(c);
    }
    writeOctal(block.data() + 148, 7, sum);
    block[155] = ' ';
    return QByteArray(block.data(), blockSize);
}

QByteArray tar(const QList<BundleFile> &files, qint64 modified)
{
    QByteArray archive;
    for (const BundleFile &file : files) {
        archive += header(file.name.toUtf8(), file.contents.size(), modified);
        archive += file.contents;
        const qsizetype rest = file.contents.size() % blockSize;
        if (rest != 0) {
            archive += QByteArray(blockSize - rest, '\0');
        }
    }
    archive += QByteArray(2 * blockSize, '\0'); // the end of the archive
    return archive;
}

QByteArray gzip(const QByteArray &data)
{
    z_stream stream {};
    // 15 bits of window plus 16: a gzip header and trailer instead of zlib's.
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        return {};
    }
    QByteArray out(qsizetype(deflateBound(&stream, uLong(data.size()))), '\0');
    // zlib's interface is not const-correct; it only reads the input.
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = uInt(out.size());
    const int status = deflate(&stream, Z_FINISH);
    out.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return status == Z_STREAM_END ? out : QByteArray();
}

} // namespace

QByteArray tarGz(const QList<BundleFile> &files, const QDateTime &modified)
{
    return gzip(tar(files, modified.toSecsSinceEpoch()));
}

} // namespace amplora::diagnostics
