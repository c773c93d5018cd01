#pragma once
// voltrigg-view's command line.
#include <QString>
#include <QStringList>
#include <string>

#include "app/shared/commission_options.h"
#include "document.h"
#include "summary.h"

namespace voltrigg::viewer {

struct ViewerOptions {
  QString result;        // the result file to open (may be empty without --pdf)
  std::string modules;   // --modules: the module list, else the one beside the result
  QString pdf;           // --pdf: write the wiring plan here instead of showing the window
  QString json;          // --json: write the assessment file here instead of showing the window
  QString form_pdf;      // --form-pdf: write the blank measurement form here instead of showing the window
  QString measurements;  // --measurements: the commissioning check of these measurements (with --pdf: its report)
  ShownWiring wiring = ShownWiring::Result;
  AssessOptions assessment;
  CommissionOptions commission;  // its coefficients are the assessment's (--voc-coefficient, --isc-coefficient)
};

enum class ParseOutcome { Run, Exit, Usage };

// Exit: --help or --version was answered on stdout. Usage: `error` says what
// is wrong with the command line.
ParseOutcome ParseViewerOptions(const QStringList& arguments, ViewerOptions& options, QString* error);

}  // namespace voltrigg::viewer
