#pragma once
// voltrigg-view's window: a shell over the opened result (document.h) and
// one widget per tab (pages.h) under the summary (summary.h), with a File
// menu (open, recent files, the module list, print, export PDF, the
// assessment file, the commissioning check, quit); a result dropped on the
// window opens it, a measurement file dropped on it is checked.
#include <QFutureWatcher>
#include <QMainWindow>
#include <QStringList>
#include <memory>
#include <optional>
#include <stop_token>

#include "assess_view.h"
#include "document.h"
#include "pages.h"
#include "summary.h"

class QAction;
class QMenu;
class QTabWidget;

namespace voltrigg::viewer {

class ViewerWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit ViewerWindow(const AssessOptions& options, std::string modules_path = {}, QWidget* parent = nullptr);
  ~ViewerWindow() override;

  // Opens a result; on failure keeps what was shown and returns the message.
  // `Open` shows the message in a box as well.
  std::optional<QString> Load(const QString& path);
  void Open(const QString& path);
  void OpenFile(const std::string& result_path);  // by the file's own bytes
  // The same by the files' own bytes (any encoding); an empty `modules_path`
  // looks for the list beside the result.
  std::optional<QString> LoadFiles(const std::string& result_path, const std::string& modules_path);
  // Reopens the shown result with the module list at `list_path` (ファイル →
  // モジュールリストを指定, for a list that is not beside the result).
  std::optional<QString> UseList(const std::string& list_path);

  // Waits for the optimised and random wiring of the open result, if they
  // are still being computed, and shows them.
  void FinishAssessment();

  // The commissioning check's options (tolerances, the file's conditions);
  // the coefficients are the assessment's.
  void SetCommissionOptions(const CommissionOptions& options);
  // Checks the open result against the measurement file at `path` (its own
  // bytes); on failure keeps what was shown and returns the message.
  // `OpenMeasurements` shows the message in a box as well.
  std::optional<QString> LoadMeasurements(const std::string& path);
  void OpenMeasurements(const std::string& path);
  bool ExportCommissionReport(const QString& path, QString* error);
  bool ExportMeasurementForm(const QString& path, QString* error);

  void SetWiring(ShownWiring wiring);
  void SetColourBy(ColourBy by);
  // Shows the rows whose serial number contains `text`, and where the first goes.
  void Search(const QString& text);
  void CopyRows();
  bool ExportPdf(const QString& path, QString* error);
  // The assessment file voltrigg-cli --assess writes for the open result.
  bool SaveJson(const QString& path, QString* error);

  // What the window shows, for its tests.
  const Document* document() const { return doc_.get(); }
  const PlanView& plan() const { return plan_; }
  ShownWiring wiring() const { return wiring_; }
  const std::optional<CommissionCheck>& commission_check() const { return check_; }
  SummaryPanel* summary() const { return summary_; }
  ArrayPage* array_page() const { return array_; }
  WiringTablePage* table_page() const { return table_; }
  InverterWindowPage* window_page() const { return window_; }
  CommissionPage* commission_page() const { return commission_; }
  QTabWidget* tabs() const { return tabs_; }
  QStringList RecentFiles() const;

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildMenus();
  void ShowDocument();
  void ShowPlan();
  void MakeShownPlan();
  void RememberRecent(const QString& path);
  void UpdateRecentMenu();
  void OpenDialog();
  void ListDialog();
  void MeasurementsDialog();
  void Status(const QString& text);
  void AssessmentDone(int generation);

  AssessOptions options_;
  int generation_ = 0;  // of the open result, so a late assessment of an older one is dropped
  QFutureWatcher<BackgroundResult>* assessing_ = nullptr;
  std::stop_source assessing_stop_;  // asks the background part of the shown result to stop
  std::string modules_path_;         // named on the command line, for the first result only
  std::unique_ptr<Document> doc_;
  CommissionOptions commission_options_;
  std::optional<CommissionCheck> check_;  // of the open result; cleared when another is opened
  PlanView plan_;
  ShownWiring wiring_ = ShownWiring::Result;
  ColourBy colour_by_ = ColourBy::Ipm;

  SummaryPanel* summary_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  ArrayPage* array_ = nullptr;
  WiringTablePage* table_ = nullptr;
  StringChartsPage* charts_ = nullptr;
  CurvePage* curves_ = nullptr;
  InverterWindowPage* window_ = nullptr;
  CommissionPage* commission_ = nullptr;
  QMenu* recent_menu_ = nullptr;
  // Enabled with an open result, with a matching list, with a check shown, with the CLI's assessment.
  std::vector<QAction*> open_actions_, checkable_actions_, report_actions_;
  QAction* json_action_ = nullptr;
};

}  // namespace voltrigg::viewer
