#pragma once
// The bare structure of a PDF file: numbered objects, streams compressed on the way, and the
// cross-reference table at the end. Written straight through to the device.

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QString>

#include <vector>

namespace tabel::reportengine {

class PdfFile {
public:
    explicit PdfFile(QIODevice& device);

    // A number for an object written later.
    int reserve();
    // Writes object `id` (reserved) with `body`, a dictionary or any other value.
    void object(int id, QByteArrayView body);
    // Writes a stream object: `dictionary` holds the entries other than /Length and /Filter.
    void stream(int id, QByteArrayView dictionary, QByteArrayView data);
    // Writes the cross-reference table and the trailer; false when the device failed.
    bool finish(int catalog, int info);
    bool failed() const { return failed_; }

    // A PDF text string of any text: UTF-16 with its byte order mark, in hex.
    static QByteArray textString(const QString& text);
    // A number with up to three decimals and no trailing zeros.
    static void appendNumber(QByteArray& out, double value);
    // Four hex digits of a 16-bit value: a glyph number or a UTF-16 unit.
    static void appendHex4(QByteArray& out, quint32 value);

private:
    void write(QByteArrayView bytes);
    void flush();

    QIODevice& device_;
    QByteArray buffer_;
    qint64 written_ = 0;
    std::vector<qint64> offsets_{0};  // by object number; object 0 is the free list's head
    bool failed_ = false;
};

}  // namespace tabel::reportengine
