#include "reportengine/pdf_file.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace tabel::reportengine {

namespace {

// Pages of text shrink to a fifth at the fastest level already; higher levels cost several
// times the time for a few percent.
constexpr int kCompressionLevel = 1;
constexpr qsizetype kBufferBytes = 1 << 20;

void appendInteger(QByteArray& out, long long value) {
    std::array<char, 24> digits{};
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
    out.append(digits.data(), end - digits.data());
}

}  // namespace

PdfFile::PdfFile(QIODevice& device) : device_(device) {
    buffer_.reserve(kBufferBytes + 4096);
    // The binary comment tells transfer programs the file is not text.
    write("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
}

int PdfFile::reserve() {
    offsets_.push_back(-1);
    return int(offsets_.size()) - 1;
}

void PdfFile::object(int id, QByteArrayView body) {
    offsets_[size_t(id)] = written_ + buffer_.size();
    QByteArray start;
    appendInteger(start, id);
    start.append(" 0 obj\n");
    write(start);
    write(body);
    write("\nendobj\n");
}

void PdfFile::stream(int id, QByteArrayView dictionary, QByteArrayView data) {
    const QByteArray packed =
        qCompress(reinterpret_cast<const uchar*>(data.data()), data.size(), kCompressionLevel);
    // qCompress puts the length in front of the zlib stream.
    const QByteArrayView deflated = QByteArrayView(packed).sliced(4);
    QByteArray head = "<< ";
    head.append(dictionary);
    head.append(" /Filter /FlateDecode /Length ");
    appendInteger(head, deflated.size());
    head.append(" >>\nstream\n");
    offsets_[size_t(id)] = written_ + buffer_.size();
    QByteArray start;
    appendInteger(start, id);
    start.append(" 0 obj\n");
    write(start);
    write(head);
    write(deflated);
    write("\nendstream\nendobj\n");
}

bool PdfFile::finish(int catalog, int info) {
    const qint64 xref = written_ + buffer_.size();
    QByteArray table = "xref\n0 ";
    appendInteger(table, qint64(offsets_.size()));
    table.append("\n0000000000 65535 f \n");
    for (size_t id = 1; id < offsets_.size(); ++id) {
        char line[21];
        std::snprintf(line, sizeof line, "%010lld 00000 n \n",
                      static_cast<long long>(offsets_[id]));
        table.append(line, 20);
    }
    table.append("trailer\n<< /Size ");
    appendInteger(table, qint64(offsets_.size()));
    table.append(" /Root ");
    appendInteger(table, catalog);
    table.append(" 0 R /Info ");
    appendInteger(table, info);
    table.append(" 0 R >>\nstartxref\n");
    appendInteger(table, xref);
    table.append("\n%%EOF\n");
    write(table);
    flush();
    return !failed_;
}

void PdfFile::write(QByteArrayView bytes) {
    if (buffer_.size() + bytes.size() > kBufferBytes) {
        flush();
    }
    if (bytes.size() > kBufferBytes) {
        if (!failed_ && device_.write(bytes.data(), bytes.size()) != bytes.size()) {
            failed_ = true;
        }
        written_ += bytes.size();
        return;
    }
    buffer_.append(bytes);
}

void PdfFile::flush() {
    if (!buffer_.isEmpty() && !failed_ && device_.write(buffer_) != buffer_.size()) {
        failed_ = true;
    }
    written_ += buffer_.size();
    buffer_.clear();
}

QByteArray PdfFile::textString(const QString& text) {
    QByteArray out = "<FEFF";
    for (const QChar unit : text) {
        appendHex4(out, unit.unicode());
    }
    out.append('>');
    return out;
}

void PdfFile::appendHex4(QByteArray& out, quint32 value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const char hex[4] = {kDigits[(value >> 12) & 0xf], kDigits[(value >> 8) & 0xf],
                         kDigits[(value >> 4) & 0xf], kDigits[value & 0xf]};
    out.append(hex, 4);
}

void PdfFile::appendNumber(QByteArray& out, double value) {
    long long thousandths = std::llround(value * 1000);
    if (thousandths < 0) {
        out.append('-');
        thousandths = -thousandths;
    }
    appendInteger(out, thousandths / 1000);
    int fraction = int(thousandths % 1000);
    if (fraction == 0) {
        return;
    }
    char digits[4] = {'.', char('0' + fraction / 100), char('0' + fraction / 10 % 10),
                      char('0' + fraction % 10)};
    int length = 4;
    while (digits[length - 1] == '0') {
        --length;
    }
    out.append(digits, length);
}

}  // namespace tabel::reportengine
