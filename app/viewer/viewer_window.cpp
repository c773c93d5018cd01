#include "viewer_window.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenuBar>
#include <QMimeData>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>
#include <filesystem>

#include "array_picture.h"
#include "commission/measurement_file.h"
#include "commission_report.h"
#include "file_names.h"
#include "printing.h"
#include "wiring_plan.h"

namespace voltrigg::viewer {

namespace {

constexpr int kMaxRecent = 8;
const QString kRecentKey = QStringLiteral("recentFiles");
const QString kCsvFilter = QStringLiteral("CSV ファイル (*.csv *.CSV);;すべてのファイル (*)");

std::string LocalPath(const QString& path) { return PathBytes(path); }

QString FolderOf(const std::string& path) {
  return QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).absolutePath();
}

}  // namespace

ViewerWindow::ViewerWindow(const AssessOptions& options, std::string modules_path, QWidget* parent)
    : QMainWindow(parent), options_(options), modules_path_(std::move(modules_path)) {
  setWindowTitle(QStringLiteral("Voltrigg 結果ビューア"));
  setAcceptDrops(true);
  BuildMenus();
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  summary_ = new SummaryPanel;
  layout->addWidget(summary_);
  tabs_ = new QTabWidget(central);
  tabs_->addTab(array_ = new ArrayPage, QStringLiteral("アレイ図"));
  tabs_->addTab(table_ = new WiringTablePage, QStringLiteral("配線表"));
  tabs_->addTab(charts_ = new StringChartsPage, QStringLiteral("ストリングのグラフ"));
  tabs_->addTab(curves_ = new CurvePage, QStringLiteral("I-V・P-V 曲線"));
  tabs_->addTab(window_ = new InverterWindowPage, QStringLiteral("パワコン入力範囲"));
  tabs_->addTab(commission_ = new CommissionPage, QStringLiteral("試運転検査"));
  layout->addWidget(tabs_, 1);
  setCentralWidget(central);

  connect(summary_, &SummaryPanel::WiringChosen, this, &ViewerWindow::SetWiring);
  connect(summary_, &SummaryPanel::ColourChosen, this, &ViewerWindow::SetColourBy);
  connect(summary_, &SummaryPanel::FitChosen, array_->picture(), &ArrayPictureWidget::SetFitToWidth);
  connect(table_, &WiringTablePage::Searched, array_->picture(), &ArrayPictureWidget::SetHighlight);
  connect(table_, &WiringTablePage::Copied, this,
          [this](int rows) { Status(QStringLiteral("%1 行をクリップボードにコピーしました").arg(rows)); });
  connect(array_->picture(), &ArrayPictureWidget::CellClicked, this, [this](int cell) {
    Status(CellToolTip(plan_, cell)
               .remove(QRegularExpression(QStringLiteral("<[^>]*>")))
               .replace(QStringLiteral("&amp;"), QStringLiteral("&")));
  });
  Status(QStringLiteral("結果ファイルを開くか、ウィンドウにドロップしてください"));
  // No larger than the screen's free area (a 1280 x 1024 screen is common on site).
  QSize size(1400, 900);
  if (const QScreen* on = screen()) size = size.boundedTo(on->availableGeometry().size() * 0.96);
  resize(size);
  ShowDocument();
}

ViewerWindow::~ViewerWindow() {
  // A background part still running has its own copy of what it needs; it
  // only has to stop early.
  assessing_stop_.request_stop();
}

void ViewerWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
  const auto add = [&](const QString& text, auto slot, std::vector<QAction*>* group = nullptr) {
    QAction* a = file->addAction(text, this, slot);
    if (group != nullptr) group->push_back(a);
    return a;
  };
  add(QStringLiteral("開く(&O)..."), &ViewerWindow::OpenDialog)->setShortcut(QKeySequence::Open);
  recent_menu_ = file->addMenu(QStringLiteral("最近使ったファイル(&R)"));
  add(QStringLiteral("モジュールリストを指定(&M)..."), &ViewerWindow::ListDialog, &open_actions_)
      ->setStatusTip(QStringLiteral("結果ファイルと同じフォルダにないモジュールリストを選びます"));
  file->addSeparator();
  const auto plan_action = [this](auto dialog) {
    return [this, dialog] {
      if (doc_ == nullptr) return;
      FinishAssessment();  // the plan carries every figure
      Status(dialog(this, *doc_, plan_, wiring_));
    };
  };
  add(QStringLiteral("印刷(&P)..."), plan_action(PrintPlanDialog), &open_actions_)->setShortcut(QKeySequence::Print);
  add(QStringLiteral("PDF に書き出す(&E)..."), plan_action(ExportPlanDialog), &open_actions_)
      ->setShortcut(QKeySequence(QStringLiteral("Ctrl+E")));
  json_action_ = add(QStringLiteral("評価を JSON で保存(&J)..."), [this] {
    if (doc_ == nullptr) return;
    FinishAssessment();
    Status(SaveJsonDialog(this, *doc_));
  });
  file->addSeparator();
  add(QStringLiteral("試運転検査の測定ファイルを開く(&K)..."), &ViewerWindow::MeasurementsDialog, &checkable_actions_)
      ->setStatusTip(QStringLiteral("各ストリングの測定した Voc と Isc を期待値と比べます"));
  const auto report_action = [this](auto dialog) {
    return [this, dialog] {
      if (doc_ != nullptr && check_) Status(dialog(this, *doc_, *check_));
    };
  };
  add(QStringLiteral("試運転検査報告を印刷..."), report_action(PrintReportDialog), &report_actions_);
  add(QStringLiteral("試運転検査報告を PDF に書き出す..."), report_action(ExportReportDialog), &report_actions_);
  const auto form_action = [this](auto dialog) {
    return [this, dialog] {
      if (doc_ != nullptr) Status(dialog(this, *doc_, commission_options_));
    };
  };
  add(QStringLiteral("測定用紙を印刷..."), form_action(PrintFormDialog), &checkable_actions_)
      ->setStatusTip(QStringLiteral("各ストリングの行に測定値を記入する空欄の用紙です"));
  add(QStringLiteral("測定用紙を PDF に書き出す..."), form_action(ExportFormDialog), &checkable_actions_);
  file->addSeparator();
  add(QStringLiteral("終了(&Q)"), &QWidget::close)->setShortcut(QKeySequence::Quit);
  UpdateRecentMenu();
}

std::optional<QString> ViewerWindow::Load(const QString& path) {
  // The list named on the command line belongs to the result named there.
  return LoadFiles(LocalPath(path), doc_ == nullptr ? modules_path_ : std::string());
}

std::optional<QString> ViewerWindow::UseList(const std::string& list_path) {
  if (doc_ == nullptr) return QStringLiteral("結果ファイルが開かれていません");
  // A copy: loading replaces the document that holds the name.
  const std::string result_path = doc_->result_path;
  return LoadFiles(result_path, list_path);
}

std::optional<QString> ViewerWindow::LoadFiles(const std::string& result_path, const std::string& modules_path) {
  std::unique_ptr<Document> doc;
  try {
    doc = std::make_unique<Document>(OpenDocument(result_path, modules_path, options_));
  } catch (const std::exception& e) {
    return Q(e.what());
  }
  // The result's own wiring now; the optimiser and random wiring meanwhile on another thread.
  std::optional<AssessmentJob> job = StartAssessment(*doc);
  doc_ = std::move(doc);
  const int generation = ++generation_;
  if (assessing_ != nullptr) {
    // Superseded: its figures are for the file shown before.
    assessing_stop_.request_stop();
    assessing_->disconnect(this);
    assessing_->deleteLater();
    assessing_ = nullptr;
  }
  if (job) {
    assessing_stop_ = std::stop_source();
    assessing_ = new QFutureWatcher<BackgroundResult>(this);
    connect(assessing_, &QFutureWatcherBase::finished, this, [this, generation] { AssessmentDone(generation); });
    assessing_->setFuture(QtConcurrent::run([job = std::move(*job), stop = assessing_stop_.get_token()]() mutable {
      return RunBackgroundPart(std::move(job), stop);
    }));
  }
  wiring_ = ShownWiring::Result;
  check_.reset();  // the measurements were of the result shown before
  RememberRecent(QFileInfo(QFile::decodeName(QByteArray::fromStdString(result_path))).absoluteFilePath());
  ShowDocument();
  return std::nullopt;
}

void ViewerWindow::AssessmentDone(int generation) {
  if (generation != generation_ || assessing_ == nullptr || doc_ == nullptr) return;
  QFutureWatcher<BackgroundResult>* done = assessing_;
  assessing_ = nullptr;
  ApplyBackgroundPart(*doc_, done->result());
  done->deleteLater();
  ShowDocument();
  Status(doc_->assessment && doc_->assessment->complete
             ? QStringLiteral("最適化した配線とランダム配線の計算が終わりました")
             : doc_->assessment_note);
}

void ViewerWindow::FinishAssessment() {
  if (assessing_ == nullptr) return;
  assessing_->waitForFinished();
  AssessmentDone(generation_);
}

void ViewerWindow::Open(const QString& path) { OpenFile(LocalPath(path)); }

void ViewerWindow::OpenFile(const std::string& result_path) {
  // The list named on the command line belongs to the result named there.
  if (const auto error = LoadFiles(result_path, doc_ == nullptr ? modules_path_ : std::string())) {
    Warn(this, *error);
    Status(*error);
  }
}

void ViewerWindow::ShowDocument() {
  const Document* d = doc_.get();
  for (QAction* a : open_actions_) a->setEnabled(d != nullptr);
  for (QAction* a : checkable_actions_) a->setEnabled(d != nullptr && d->list_state == ListState::Matches);
  for (QAction* a : report_actions_) a->setEnabled(check_.has_value());
  json_action_->setEnabled(d != nullptr && d->assessment && d->assessment->same_as_cli);
  commission_->Show(d, check_);
  summary_->ShowDocument(d);
  window_->Show(d);
  if (d == nullptr) {
    plan_ = PlanView{};
    ShowPlan();
    curves_->Show(d, wiring_);
    return;
  }
  setWindowTitle(QStringLiteral("%1 - Voltrigg 結果ビューア").arg(ShownName(d->result_path)));
  if (!(d->assessment && d->assessment->complete)) wiring_ = ShownWiring::Result;
  QString opened = QStringLiteral("%1 を開きました").arg(DecodeBytes(d->result_path));
  if (!d->list_warnings.empty()) opened += QStringLiteral("  ") + d->list_warnings.front();
  Status(opened);
  MakeShownPlan();
  ShowPlan();
  curves_->Show(d, wiring_);
}

void ViewerWindow::MakeShownPlan() {
  if (doc_ == nullptr) return;
  plan_ = MakePlan(*doc_, wiring_, colour_by_);
  // The check is of the result's wiring: its string numbers name other modules in the optimised one.
  if (check_ && wiring_ == ShownWiring::Result) MarkFailedStrings(plan_, check_->check);
}

void ViewerWindow::ShowPlan() {
  summary_->ShowChoice(wiring_, colour_by_);
  array_->SetPlan(&plan_, options_.conditions.tmin_c);
  table_->SetPlan(&plan_);
  summary_->ShowPlan(doc_.get(), plan_);
  charts_->Show(plan_);
  Search(table_->search_text());
}

void ViewerWindow::SetCommissionOptions(const CommissionOptions& options) { commission_options_ = options; }

std::optional<QString> ViewerWindow::LoadMeasurements(const std::string& path) {
  if (doc_ == nullptr) return QStringLiteral("結果ファイルが開かれていません");
  CommissionOptions options = commission_options_;
  // One set of temperature coefficients for the window and the check.
  options.conditions.voc_coefficient_pct_per_k = doc_->options.conditions.voc_coefficient_pct_per_k;
  options.conditions.isc_coefficient_pct_per_k = doc_->options.conditions.isc_coefficient_pct_per_k;
  QString error;
  std::optional<CommissionCheck> check = RunCommissionCheck(*doc_, path, options, &error);
  if (!check) return error;
  check_ = std::move(check);
  wiring_ = ShownWiring::Result;  // the picture outlines the result's strings
  ShowDocument();
  tabs_->setCurrentWidget(commission_);
  Status(QStringLiteral("試運転検査: %1").arg(CommissionSummary(check_->check)));
  return std::nullopt;
}

void ViewerWindow::OpenMeasurements(const std::string& path) {
  if (const auto error = LoadMeasurements(path)) {
    Warn(this, *error);
    Status(*error);
  }
}

bool ViewerWindow::ExportCommissionReport(const QString& path, QString* error) {
  return doc_ != nullptr && check_ && ExportCommissionReportPdf(*doc_, *check_, path, ViewerFont(), error);
}

bool ViewerWindow::ExportMeasurementForm(const QString& path, QString* error) {
  if (doc_ == nullptr) return false;
  const std::optional<MeasurementFormPrint> form = MakeMeasurementForm(*doc_, commission_options_, error);
  return form && ExportMeasurementFormPdf(*doc_, *form, path, ViewerFont(), error);
}

void ViewerWindow::SetWiring(ShownWiring wiring) {
  if (wiring == ShownWiring::Optimized) FinishAssessment();
  if (doc_ == nullptr || (wiring == ShownWiring::Optimized && !(doc_->assessment && doc_->assessment->complete))) {
    wiring = ShownWiring::Result;
  }
  wiring_ = wiring;
  MakeShownPlan();
  ShowPlan();
  curves_->Show(doc_.get(), wiring_);
}

void ViewerWindow::SetColourBy(ColourBy by) {
  colour_by_ = by;
  MakeShownPlan();
  ShowPlan();
}

void ViewerWindow::Search(const QString& text) { array_->picture()->SetHighlight(table_->Search(text)); }

void ViewerWindow::CopyRows() {
  Status(QStringLiteral("%1 行をクリップボードにコピーしました").arg(table_->CopyRows()));
}

bool ViewerWindow::ExportPdf(const QString& path, QString* error) {
  if (doc_ == nullptr) return false;
  FinishAssessment();  // the plan carries every figure
  return ExportPlanPdf(*doc_, plan_, wiring_, path, ViewerFont(), error);
}

bool ViewerWindow::SaveJson(const QString& path, QString* error) {
  if (doc_ == nullptr) return false;
  FinishAssessment();
  return SaveAssessmentJson(*doc_, path, error);
}

void ViewerWindow::Status(const QString& text) {
  if (!text.isEmpty()) statusBar()->showMessage(text);
}

void ViewerWindow::OpenDialog() {
  const QString start = doc_ != nullptr ? FolderOf(doc_->result_path) : QString();
  const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("結果ファイルを開く"), start, kCsvFilter);
  if (!path.isEmpty()) Open(path);
}

void ViewerWindow::ListDialog() {
  if (doc_ == nullptr) return;
  const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("モジュールリストを指定"),
                                                    FolderOf(doc_->result_path), kCsvFilter);
  if (path.isEmpty()) return;
  if (const auto error = UseList(LocalPath(path))) Warn(this, *error);
}

void ViewerWindow::MeasurementsDialog() {
  if (doc_ == nullptr) return;
  const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("試運転検査の測定ファイルを開く"),
                                                    FolderOf(doc_->result_path), kCsvFilter);
  if (!path.isEmpty()) OpenMeasurements(LocalPath(path));
}

QStringList ViewerWindow::RecentFiles() const { return QSettings().value(kRecentKey).toStringList(); }

void ViewerWindow::RememberRecent(const QString& path) {
  QStringList recent = RecentFiles();
  recent.removeAll(path);
  recent.prepend(path);
  while (recent.size() > kMaxRecent) recent.removeLast();
  QSettings().setValue(kRecentKey, recent);
  UpdateRecentMenu();
}

void ViewerWindow::UpdateRecentMenu() {
  recent_menu_->clear();
  const QStringList recent = RecentFiles();
  for (int i = 0; i < recent.size(); ++i) {
    const QString& path = recent[i];
    QAction* a = recent_menu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()));
    a->setToolTip(path);
    a->setStatusTip(path);
    connect(a, &QAction::triggered, this, [this, path] { Open(path); });
  }
  recent_menu_->setEnabled(!recent.isEmpty());
}

void ViewerWindow::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (!urls.isEmpty() && urls.front().isLocalFile()) event->acceptProposedAction();
}

void ViewerWindow::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.isEmpty() || !urls.front().isLocalFile()) return;
  event->acceptProposedAction();
  // The url keeps a name's bytes percent-encoded, Shift-JIS ones included.
  const QByteArray bytes = QByteArray::fromPercentEncoding(urls.front().path(QUrl::FullyEncoded).toLatin1());
  std::error_code ec;
  const std::string exact = bytes.toStdString();
  const std::string path = std::filesystem::exists(exact, ec) ? exact : LocalPath(urls.front().toLocalFile());
  // A measurement file is checked against the open result; any other file is opened as a result.
  if (!NamesMeasurementColumns(path)) {
    OpenFile(path);
  } else if (doc_ == nullptr) {
    Warn(this, QStringLiteral("測定ファイルを確かめる結果ファイルを先に開いてください: %1").arg(DecodeBytes(path)));
  } else {
    OpenMeasurements(path);
  }
}

}  // namespace voltrigg::viewer
