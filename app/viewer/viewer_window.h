#pragma once
// voltrigg-view's window: the figures, the array picture, the wiring table
// and the charts of one result file, a File menu (open, recent files, print,
// export PDF, quit), and a result dropped on the window opens it.
#include <QFutureWatcher>
#include <QMainWindow>
#include <QStringList>
#include <memory>
#include <optional>
#include <stop_token>

#include "assess_view.h"
#include "commission_view.h"
#include "document.h"
#include "plan_view.h"
#include "summary.h"

class QAction;
class QActionGroup;
class QChartView;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class QTabWidget;
class QTableView;
class QTableWidget;

namespace voltrigg::viewer {

class ArrayPictureWidget;
class SerialFilter;
class WiringTableModel;

QFont ViewerFont();

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
  WiringTableModel* table_model() const { return table_model_; }
  SerialFilter* serial_filter() const { return filter_; }
  QTableWidget* figures_table() const { return figures_; }
  QLabel* verdict_label() const { return verdict_; }
  QLabel* window_verdict_label() const { return window_verdict_; }
  QTableWidget* window_table() const { return window_table_; }
  QLabel* list_label() const { return list_label_; }
  QLabel* search_label() const { return search_label_; }
  ArrayPictureWidget* picture() const { return picture_; }
  QTabWidget* tabs() const { return tabs_; }
  QScrollArea* picture_scroll() const { return picture_scroll_; }
  QCheckBox* fit_box() const { return fit_box_; }
  const std::optional<CommissionCheck>& commission_check() const { return check_; }
  QTableWidget* commission_table() const { return commission_table_; }
  QLabel* commission_summary() const { return commission_summary_; }
  QStackedWidget* commission_page() const { return commission_stack_; }
  QStringList RecentFiles() const;

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildMenus();
  QWidget* BuildSummary();
  QWidget* BuildTablePage();
  void ShowDocument();
  void ShowPlan();
  void ShowCharts();
  void ShowCommission();
  void MakeShownPlan();
  void MeasurementsDialog();
  void PrintReportDialog();
  void ExportReportDialog();
  void PrintFormDialog();
  void ExportFormDialog();
  QString SuggestedPdf(const QString& suffix) const;
  void RememberRecent(const QString& path);
  void UpdateRecentMenu();
  void OpenDialog();
  void ListDialog();
  void PrintDialog();
  void ExportDialog();
  void SaveJsonDialog();
  void Warn(const QString& text);
  QString WiringPlanTitle() const;

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

  QLabel* title_ = nullptr;
  QLabel* list_label_ = nullptr;
  QLabel* verdict_ = nullptr;
  QTableWidget* figures_ = nullptr;
  QComboBox* wiring_box_ = nullptr;
  QComboBox* colour_box_ = nullptr;
  QCheckBox* fit_box_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  QScrollArea* picture_scroll_ = nullptr;
  ArrayPictureWidget* picture_ = nullptr;
  QLineEdit* search_ = nullptr;
  QLabel* search_label_ = nullptr;
  QTableView* table_ = nullptr;
  WiringTableModel* table_model_ = nullptr;
  SerialFilter* filter_ = nullptr;
  QChartView* voltage_chart_ = nullptr;
  QChartView* current_chart_ = nullptr;
  QStackedWidget* curve_stack_ = nullptr;
  QChartView* curve_chart_ = nullptr;
  QLabel* curve_note_ = nullptr;
  QLabel* window_verdict_ = nullptr;  // one line under the voltage verdict
  QStackedWidget* window_stack_ = nullptr;
  QLabel* window_note_ = nullptr;
  QLabel* window_heading_ = nullptr;
  QTableWidget* window_table_ = nullptr;
  QChartView* window_chart_ = nullptr;
  QStackedWidget* commission_stack_ = nullptr;
  QLabel* commission_note_ = nullptr;
  QLabel* commission_heading_ = nullptr;
  QLabel* commission_summary_ = nullptr;
  QTableWidget* commission_table_ = nullptr;
  QMenu* recent_menu_ = nullptr;
  QAction* measurements_action_ = nullptr;
  QAction* report_print_action_ = nullptr;
  QAction* report_pdf_action_ = nullptr;
  QAction* form_print_action_ = nullptr;
  QAction* form_pdf_action_ = nullptr;
  QAction* print_action_ = nullptr;
  QAction* list_action_ = nullptr;
  QAction* export_action_ = nullptr;
  QAction* json_action_ = nullptr;
};

}  // namespace voltrigg::viewer
