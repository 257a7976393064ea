// The report's own PDF writer: texts as glyph numbers of embedded TrueType subsets, lines and
// fills as plain path operators, in millimetres from the top-left corner like the pages.

#include <QDateTime>
#include <QSaveFile>

#include <array>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "reportengine/pdf_backend.h"
#include "reportengine/pdf_file.h"
#include "reportengine/pdf_font.h"
#include "reportengine/report_fonts.h"

namespace tabel::reportengine {

namespace {

constexpr double kPointsPerMm = 72.0 / 25.4;
constexpr double kLineWidthMm = 0.2;

// One page's content stream, built in a buffer kept from page to page.
class PageContent {
public:
    PageContent(QByteArray& out, double pageHeightPt) : out_(out) {
        out_.clear();
        // Millimetres, y growing downwards, as the page items are placed; square caps and
        // bevelled joins like the painter's pen.
        number(kPointsPerMm);
        out_.append("0 0 ");
        number(-kPointsPerMm);
        out_.append("0 ");
        number(pageHeightPt);
        out_.append("cm ");
        number(kLineWidthMm);
        out_.append("w 2 J 2 j\n");
    }

    void fill(const QRectF& rect, const QColor& color) {
        endText();
        const bool black = color.red() == 0 && color.green() == 0 && color.blue() == 0;
        if (!black) {
            number(color.redF());
            number(color.greenF());
            number(color.blueF());
            out_.append("rg ");
        }
        rectangle(rect);
        out_.append(black ? "f\n" : "f 0 g\n");
    }

    void line(const QRectF& rect) {
        endText();
        number(rect.left());
        number(rect.top());
        out_.append("m ");
        number(rect.right());
        number(rect.top());
        out_.append("l S\n");
    }

    void frame(const QRectF& rect) {
        endText();
        rectangle(rect);
        out_.append("S\n");
    }

    void text(const QRectF& rect, const PageItem& item, int fontNumber, PdfFont& font) {
        const PdfFont::Glyphs& glyphs = font.glyphs(item.text);
        const double size = fontSizeMm(item.font);
        const double width = font.toMm(glyphs.units, size);
        double x = rect.left();
        if (item.alignment & Qt::AlignHCenter) {
            x = rect.left() + (rect.width() - width) / 2;
        } else if (item.alignment & Qt::AlignRight) {
            x = rect.right() - width;
        }
        const double ascent = font.ascentMm(size);
        const double descent = font.descentMm(size);
        double baseline = rect.top() + ascent;
        if (item.alignment & Qt::AlignVCenter) {
            baseline = rect.top() + (rect.height() - ascent - descent) / 2 + ascent;
        } else if (item.alignment & Qt::AlignBottom) {
            baseline = rect.bottom() - descent;
        }
        // Only an overlong text is clipped: a clip per text would cost more than the text.
        const bool clipped = width > rect.width();
        if (clipped) {
            endText();
            out_.append("q ");
            rectangle(rect);
            out_.append("W n\n");
            x = std::max(x, rect.left());
        }
        beginText();
        if (fontNumber != font_ || size != size_) {
            out_.append("/F");
            out_.append(QByteArray::number(fontNumber));
            out_.append(' ');
            number(size);
            out_.append("Tf ");
            font_ = fontNumber;
            size_ = size;
        }
        out_.append("1 0 0 -1 ");
        number(x);
        number(baseline);
        out_.append("Tm <");
        out_.append(glyphs.hex);
        out_.append("> Tj\n");
        if (clipped) {
            endText();
            // The font chosen inside goes with the saved state.
            out_.append("Q\n");
            font_ = -1;
        }
    }

    void finish() { endText(); }

private:
    void number(double value) {
        PdfFile::appendNumber(out_, value);
        out_.append(' ');
    }
    void rectangle(const QRectF& rect) {
        number(rect.left());
        number(rect.top());
        number(rect.width());
        number(rect.height());
        out_.append("re ");
    }
    void beginText() {
        if (!inText_) {
            out_.append("BT\n");
            inText_ = true;
        }
    }
    void endText() {
        if (inText_) {
            out_.append("ET\n");
            inText_ = false;
        }
    }

    QByteArray& out_;
    bool inText_ = false;
    // The font in force: it outlives text objects, and a restored state takes it back.
    int font_ = -1;
    double size_ = 0;
};

// Pages waiting for the writing thread; the layout waits when it is this far ahead, so a
// report of any length holds a few pages at most.
class PageQueue {
public:
    static constexpr size_t kMaxPages = 8;

    void push(Page&& page) {
        std::unique_lock lock(mutex_);
        roomLeft_.wait(lock, [this] { return pages_.size() < kMaxPages || closed_; });
        if (closed_) {
            return;
        }
        pages_.push_back(std::move(page));
        pageWaiting_.notify_one();
    }
    // False once the queue is closed and empty.
    bool pop(Page& page) {
        std::unique_lock lock(mutex_);
        pageWaiting_.wait(lock, [this] { return !pages_.empty() || closed_; });
        if (pages_.empty()) {
            return false;
        }
        page = std::move(pages_.front());
        pages_.pop_front();
        roomLeft_.notify_one();
        return true;
    }
    // No more pages; those queued are still taken unless `dropQueued`.
    void close(bool dropQueued) {
        std::lock_guard lock(mutex_);
        closed_ = true;
        if (dropQueued) {
            pages_.clear();
        }
        pageWaiting_.notify_all();
        roomLeft_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable pageWaiting_;
    std::condition_variable roomLeft_;
    std::deque<Page> pages_;
    bool closed_ = false;
};

// The layout hands pages on; a thread of the writer's own turns them into content, compresses
// and writes them, so laying out and writing take a core each. The file, the fonts and the
// page list belong to that thread until commit() has joined it.
class ReportPdfWriter : public PdfBackend {
public:
    ReportPdfWriter(const ReportDocument& header, const QString& path,
                    std::array<std::unique_ptr<PdfFont>, 2> fonts)
        : file_(path),
          title_(header.title.trimmed()),
          pageSize_(header.pageSize),
          fonts_(std::move(fonts)) {}
    ~ReportPdfWriter() override {
        stopWriting(true);
        file_.cancelWriting();
    }

    QString begin() override {
        if (!file_.open(QIODevice::WriteOnly)) {
            return file_.errorString();
        }
        pdf_ = std::make_unique<PdfFile>(file_);
        catalog_ = pdf_->reserve();
        pageTree_ = pdf_->reserve();
        resources_ = pdf_->reserve();
        mediaBox_ = "[0 0 ";
        PdfFile::appendNumber(mediaBox_, pageSize_.width() * kPointsPerMm);
        mediaBox_.append(' ');
        PdfFile::appendNumber(mediaBox_, pageSize_.height() * kPointsPerMm);
        mediaBox_.append(']');
        writer_ = std::thread([this] {
            Page page;
            while (queue_.pop(page)) {
                writePage(page);
            }
        });
        return {};
    }

    void addPage(Page&& page) override {
        if (writer_.joinable()) {
            queue_.push(std::move(page));
        }
    }

    QString commit() override {
        if (!pdf_) {
            return QStringLiteral("не удалось начать запись PDF");
        }
        stopWriting(false);
        if (pages_.empty()) {
            writePage(Page());  // a PDF has at least one page, even a blank one
        }
        writeFonts();
        QByteArray kids;
        for (int page : pages_) {
            kids.append(reference(page) + ' ');
        }
        pdf_->object(pageTree_, "<< /Type /Pages /Kids [" + kids + "] /Count " +
                                    QByteArray::number(qsizetype(pages_.size())) + " >>");
        pdf_->object(catalog_, "<< /Type /Catalog /Pages " + reference(pageTree_) + " >>");
        const int info = pdf_->reserve();
        const QByteArray creator = PdfFile::textString(QStringLiteral("Табель"));
        pdf_->object(info, "<< /Title " + PdfFile::textString(title_) + " /Creator " + creator +
                               " /Producer " + creator + " /CreationDate (D:" +
                               QDateTime::currentDateTimeUtc()
                                   .toString(QStringLiteral("yyyyMMddHHmmss"))
                                   .toLatin1() +
                               "Z) >>");
        if (!pdf_->finish(catalog_, info)) {
            return file_.errorString();
        }
        if (!file_.commit()) {
            return file_.errorString();
        }
        return {};
    }

private:
    static QByteArray reference(int object) { return QByteArray::number(object) + " 0 R"; }

    void stopWriting(bool dropQueued) {
        queue_.close(dropQueued);
        if (writer_.joinable()) {
            writer_.join();
        }
    }

    void writePage(const Page& page) {
        PageContent content(content_, pageSize_.height() * kPointsPerMm);
        for (const PageItem& item : page.items) {
            switch (item.kind) {
                case PageItem::Kind::Fill:
                    content.fill(item.rect, item.color);
                    break;
                case PageItem::Kind::Line:
                    content.line(item.rect);
                    break;
                case PageItem::Kind::Frame:
                    content.frame(item.rect);
                    break;
                case PageItem::Kind::Text:
                    if (!item.text.isEmpty()) {
                        const int face = item.font.bold ? 1 : 0;
                        used_[size_t(face)] = true;
                        content.text(item.rect, item, face, *fonts_[size_t(face)]);
                    }
                    break;
            }
        }
        content.finish();
        const int stream = pdf_->reserve();
        const int pageObject = pdf_->reserve();
        pdf_->stream(stream, {}, content_);
        pdf_->object(pageObject, "<< /Type /Page /Parent " + reference(pageTree_) + " /MediaBox " +
                                     mediaBox_ + " /Resources " + reference(resources_) +
                                     " /Contents " + reference(stream) + " >>");
        pages_.push_back(pageObject);
    }

    // Only the faces the pages used, each cut down to its glyphs.
    void writeFonts() {
        QByteArray names;
        for (size_t face = 0; face < fonts_.size(); ++face) {
            if (!used_[face]) {
                continue;
            }
            const int object = pdf_->reserve();
            fonts_[face]->write(*pdf_, object, face == 0 ? "TABELR" : "TABELB");
            names.append("/F" + QByteArray::number(qsizetype(face)) + ' ' + reference(object) +
                         ' ');
        }
        pdf_->object(resources_, "<< /Font << " + names + ">> >>");
    }

    QSaveFile file_;
    QString title_;
    QSizeF pageSize_;
    std::array<std::unique_ptr<PdfFont>, 2> fonts_;  // plain, bold
    std::array<bool, 2> used_{false, false};
    std::unique_ptr<PdfFile> pdf_;
    int catalog_ = 0;
    int pageTree_ = 0;
    int resources_ = 0;
    QByteArray mediaBox_;
    QByteArray content_;
    std::vector<int> pages_;
    PageQueue queue_;
    std::thread writer_;
};

}  // namespace

std::unique_ptr<PdfBackend> reportPdfWriter(const ReportDocument& header, const QString& path) {
    // Both faces are read here, on the caller's thread: the writing thread never asks Qt's font
    // engines.
    std::array<std::unique_ptr<PdfFont>, 2> fonts{PdfFont::load(false), PdfFont::load(true)};
    if (!fonts[0] || !fonts[1]) {
        return nullptr;
    }
    return std::make_unique<ReportPdfWriter>(header, path, std::move(fonts));
}

}  // namespace tabel::reportengine
