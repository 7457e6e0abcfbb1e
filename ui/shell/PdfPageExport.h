#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

class QWebEnginePage;

namespace ui {

// Prints a web page to a PDF file: A4 portrait, zero margins (the page's print style sheet
// sets its own). Pages of the program offer a print view, "Oz.printView", with every tab
// laid out one after the other and charts as pictures; it is put in place for the printing
// and taken away afterwards. The file is written through ut::OutputFile: whole or not at all.
class PdfPageExport : public QObject
{
    Q_OBJECT

public:
    explicit PdfPageExport(QObject* parent = nullptr);
    ~PdfPageExport() override;

    // Returns at once; finished() follows. False (and nothing happens) while an export runs.
    bool start(QWebEnginePage* page, const QString& path);
    bool isBusy() const { return m_busy; }

    // The number of pages of a PDF document as the page objects it holds.
    static int pageCount(const QByteArray& pdf);

signals:
    // text says what was written, or why nothing was.
    void finished(QString path, bool success, QString text);

private:
    void print();
    void write(const QByteArray& pdf);
    void finish(bool success, const QString& text);

    QPointer<QWebEnginePage> m_page;
    QString m_path;
    bool m_busy = false;
};

} // namespace ui
