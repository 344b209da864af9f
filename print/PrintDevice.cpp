#include "PrintDevice.h"

#include <sys/stat.h>

#include <QFile>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>
#include <cerrno>

#include "PlanError.h"

namespace {

// Texts of the printing service's failures, in the style of the system's
// other run-time messages.
constexpr const char* NoDefaultPrinter = "There is no default printer currently selected";
constexpr const char* PrinterNotValid = "Printer selected is not valid";
constexpr const char* PageRefused = "Printer is not currently printing";

[[noreturn]] void Raise(const QString& Text) { throw EPlanError(Text.toStdString()); }

}  // namespace

// ------------------------------------------------------------ TPagedOutput

TPagedOutput::TPagedOutput(QPagedPaintDevice& Device, bool OneFile) : Device_(Device), OneFile_(OneFile) {}

TPagedOutput::~TPagedOutput() {
  if (Painter_.isActive()) Painter_.end();
}

void TPagedOutput::Begin() {
  if (!Ready() || !Painter_.begin(&Device_)) Raise(RefusedText());
}

void TPagedOutput::BeginDoc() {
  if (!OneFile_) {
    Begin();
  } else if (!Started_) {
    Begin();
    Started_ = true;
  } else if (!Device_.newPage()) {
    // The next document of a file goes on a page of its own.
    Raise(QString::fromLatin1(PageRefused));
  }
  Open_ = true;
  Page_ = 1;
}

void TPagedOutput::NewPage() {
  if (!Open_ || !Device_.newPage()) Raise(QString::fromLatin1(PageRefused));
  ++Page_;
}

void TPagedOutput::EndDoc() {
  if (!Open_) return;
  Open_ = false;
  if (!OneFile_) Painter_.end();
}

void TPagedOutput::Abort() {
  Open_ = false;
  Started_ = false;
  AbortDevice();
  if (Painter_.isActive()) Painter_.end();
}

bool TPagedOutput::Finish() {
  Open_ = false;
  Started_ = false;
  if (Painter_.isActive()) return Painter_.end();
  return true;
}

int TPagedOutput::PageWidth() const { return Device_.width(); }

int TPagedOutput::PageHeight() const { return Device_.height(); }

QString TPagedOutput::RefusedText() const { return QString::fromLatin1(PrinterNotValid); }

// ----------------------------------------------------------- TPrinterOutput

TPrinterOutput::TPrinterOutput(QPrinter& Printer)
    : TPagedOutput(Printer, Printer.outputFormat() == QPrinter::PdfFormat), Printer_(Printer) {}

TPrinterOutput::~TPrinterOutput() {
  // A document still open here was cut short by an error: do not let the
  // base class hand half of it to the spooler.
  if (Canvas().isActive()) Printer_.abort();
}

QString TPrinterOutput::RefusedText() const {
  // Without any installed printer Qt falls back to a PDF printer that has
  // no file to write to.
  if (Printer_.outputFormat() == QPrinter::PdfFormat && Printer_.outputFileName().isEmpty())
    return QString::fromLatin1(NoDefaultPrinter);
  return QString::fromLatin1(PrinterNotValid);
}

void TPrinterOutput::AbortDevice() {
  if (Canvas().isActive()) Printer_.abort();
}

// ----------------------------------------------------------- TPdfFileOutput

TPdfFileParts::TPdfFileParts(const QString& FilePath, const QString& Title)
    : File(std::make_unique<QSaveFile>(FilePath)), Path(FilePath) {
  // Only a regular file is replaced: the temporary file would be renamed
  // over a device or a pipe just as well (for the superuser even over
  // /dev/null), and opening a pipe could wait for ever.
  struct stat St {};
  if (::stat(QFile::encodeName(FilePath).constData(), &St) == 0 && !S_ISREG(St.st_mode)) {
    FileErrno = S_ISDIR(St.st_mode) ? EISDIR : EACCES;
  } else {
    errno = 0;
    if (!File->open(QIODevice::WriteOnly)) FileErrno = errno != 0 ? errno : EACCES;
  }
  Writer = std::make_unique<QPdfWriter>(File.get());
  Writer->setResolution(PdfResolution);
  // What a high-resolution QPrinter printing to a file would give: A4 with
  // a printable area 10 points inside the paper's edges.
  Writer->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                                    QPageLayout::Point));
  Writer->setTitle(Title);
  Writer->setCreator(QStringLiteral("Tavik Vadi Ver 1.0.0"));
}

TPdfFileParts::~TPdfFileParts() = default;

TPdfFileOutput::TPdfFileOutput(const QString& FilePath, const QString& Title)
    : TPdfFileParts(FilePath, Title), TPagedOutput(*Writer, true) {}

bool TPdfFileOutput::Finish() {
  if (!TPagedOutput::Finish() || !File->isOpen()) {
    File->cancelWriting();
    if (FileErrno == 0) FileErrno = EIO;
    return false;
  }
  errno = 0;
  if (!File->commit()) {
    FileErrno = errno != 0 ? errno : EIO;
    return false;
  }
  return true;
}

QString TPdfFileOutput::ErrorText() const {
  if (FileErrno == 0) return QString();
  return QString::fromStdString(FileErrorText(FileErrno, Path.toStdString()));
}

QString TPdfFileOutput::RefusedText() const {
  return FileErrno != 0 ? ErrorText() : QString::fromLatin1(PrinterNotValid);
}

void TPdfFileOutput::AbortDevice() { File->cancelWriting(); }
