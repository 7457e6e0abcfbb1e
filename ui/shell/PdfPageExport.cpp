#include "ui/shell/PdfPageExport.h"

#include <QDir>
#include <cctype>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QWebEnginePage>

#include "ut/OutputFile.h"

namespace ui {

namespace {

const QString beginPrintView = QStringLiteral("window.Oz && Oz.printView ? Oz.printView.begin() : false");
const QString endPrintView = QStringLiteral("window.Oz && Oz.printView ? Oz.printView.end() : false");

} // namespace

PdfPageExport::PdfPageExport(QObject* parent)
    : QObject(parent)
{
}

PdfPageExport::~PdfPageExport() = default;

bool PdfPageExport::start(QWebEnginePage* page, const QString& path)
{
    if (m_busy || !page)
        return false;
    m_busy = true;
    m_page = page;
    m_path = path;
    QPointer<PdfPageExport> self(this);
    page->runJavaScript(beginPrintView, [self](const QVariant&) {
        if (self)
            self->print();
    });
    return true;
}

void PdfPageExport::print()
{
    if (!m_page) {
        finish(false, QStringLiteral("The page was closed before it could be printed."));
        return;
    }
    QPointer<PdfPageExport> self(this);
    m_page->printToPdf(
        [self](const QByteArray& pdf) {
            if (self)
                self->write(pdf);
        },
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
}

void PdfPageExport::write(const QByteArray& pdf)
{
    if (m_page)
        m_page->runJavaScript(endPrintView);
    const QString shown = QDir::toNativeSeparators(m_path);
    if (pdf.isEmpty()) {
        finish(false, QStringLiteral("The page could not be printed; nothing was written to %1.").arg(shown));
        return;
    }
    QString error;
    if (!ut::OutputFile::save(m_path, pdf, &error)) {
        finish(false, error);
        return;
    }
    finish(true, QStringLiteral("The page has been saved to %1 (%2 pages).").arg(shown).arg(pageCount(pdf)));
}

void PdfPageExport::finish(bool success, const QString& text)
{
    m_busy = false;
    emit finished(m_path, success, text);
}

int PdfPageExport::pageCount(const QByteArray& pdf)
{
    // "/Type /Pages" is the page tree; every "/Type /Page" object is one page. The document is
    // binary: it is searched as bytes.
    const QByteArray type("/Type"), page("/Page");
    int count = 0;
    for (int at = pdf.indexOf(type); at >= 0; at = pdf.indexOf(type, at)) {
        at += type.size();
        while (at < pdf.size() && std::isspace(static_cast<unsigned char>(pdf[at])))
            ++at;
        if (pdf.mid(at, page.size()) != page)
            continue;
        at += page.size();
        if (at >= pdf.size() || !std::isalpha(static_cast<unsigned char>(pdf[at])))
            ++count;
    }
    return count;
}

} // namespace ui
