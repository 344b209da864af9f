// The printing service as the job-plan printing sees it: documents, pages,
// the page size in device pixels and a painter on the page. The program
// prints on a QPrinter, the command line into a PDF file, tests on devices
// of their own.
#pragma once

#include <QPainter>
#include <QString>
#include <memory>

class QPagedPaintDevice;
class QPdfWriter;
class QPrinter;
class QSaveFile;

class IPrintDevice {
 public:
  virtual ~IPrintDevice() = default;

  // Begins a document; its first page is page 1. Throws EPlanError with the
  // service's message when the device refuses (no printer, file not writable).
  virtual void BeginDoc() = 0;
  // Starts the next page of the open document. Throws EPlanError on failure.
  virtual void NewPage() = 0;
  // Ends the open document and hands it to the printing service.
  virtual void EndDoc() = 0;
  // Drops the open document after an error, as far as the service can.
  virtual void Abort() = 0;

  // Number of the current page within the open document, from 1.
  virtual int PageNumber() const = 0;
  // Printable area of the page in device pixels; the painter's origin is
  // its top-left corner.
  virtual int PageWidth() const = 0;
  virtual int PageHeight() const = 0;
  // The painter on the current page; valid between BeginDoc and EndDoc.
  virtual QPainter& Canvas() = 0;
};

// A document at a time on a paged device. On paper every document is a job
// of its own; in a file (OneFile) the documents follow one another in the
// same file, each starting on a new page, and Finish() closes the file.
class TPagedOutput : public IPrintDevice {
 public:
  TPagedOutput(QPagedPaintDevice& Device, bool OneFile);
  ~TPagedOutput() override;

  void BeginDoc() override;
  void NewPage() override;
  void EndDoc() override;
  void Abort() override;
  int PageNumber() const override { return Page_; }
  int PageWidth() const override;
  int PageHeight() const override;
  QPainter& Canvas() override { return Painter_; }

  // Closes the output after the last document (a file); true when it was
  // written. Nothing to do on paper.
  virtual bool Finish();
  // False when the device cannot print at all (BeginDoc would throw).
  virtual bool Ready() const { return true; }

 protected:
  // The message of a device that refuses to begin.
  virtual QString RefusedText() const;
  // Cancels the device's output after Abort().
  virtual void AbortDevice() {}

 private:
  void Begin();

  QPagedPaintDevice& Device_;
  QPainter Painter_;
  bool OneFile_;
  bool Open_ = false;     // a document is open
  bool Started_ = false;  // OneFile: the painter is active on the file
  int Page_ = 0;
};

// The current printer of the program: paper, or a file when the printer
// setup chose printing to a file.
class TPrinterOutput final : public TPagedOutput {
 public:
  explicit TPrinterOutput(QPrinter& Printer);
  ~TPrinterOutput() override;

 protected:
  QString RefusedText() const override;
  void AbortDevice() override;

 private:
  QPrinter& Printer_;
};

// The file and the writer of a TPdfFileOutput; a base of its own so that
// both exist before the output is built on the writer.
struct TPdfFileParts {
  TPdfFileParts(const QString& Path, const QString& Title);
  ~TPdfFileParts();
  std::unique_ptr<QSaveFile> File;
  std::unique_ptr<QPdfWriter> Writer;
  QString Path;
  int FileErrno = 0;  // errno of the failed open or commit, 0 if none
};

// A PDF file on A4 at the resolution the program's printer uses for paper,
// written under a temporary name and put in place by Finish(), so a failed
// print never leaves half a file nor destroys an older one. A path that
// names anything but a regular file (a folder, a device, a pipe) is not
// Ready(): "File access denied".
class TPdfFileOutput final : private TPdfFileParts, public TPagedOutput {
 public:
  // Title goes into the file's properties.
  TPdfFileOutput(const QString& Path, const QString& Title);

  // Puts the file in place; false (see ErrorText()) when that failed.
  bool Finish() override;
  // False when the file cannot be written at all.
  bool Ready() const override { return FileErrno == 0; }
  // What went wrong with the file, in the words of the system.
  QString ErrorText() const;

 protected:
  QString RefusedText() const override;
  void AbortDevice() override;
};

// Resolution of printed pages in the PDF, in dots per inch: the one a
// high-resolution QPrinter uses.
inline constexpr int PdfResolution = 1200;
