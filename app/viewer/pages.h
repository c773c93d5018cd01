#pragma once
// The window's tabs, one widget each, each drawing from the opened result and
// the plan shown: the array picture, the wiring table with its search, the
// strings' charts, the array's I-V and P-V curves, the inverter window and
// the commissioning check.
#include <QScrollArea>
#include <QSplitter>
#include <QStackedWidget>
#include <QWidget>
#include <optional>

#include "document.h"

class QChartView;
class QLabel;
class QLineEdit;
class QTableView;
class QTableWidget;

namespace voltrigg::viewer {

class ArrayPictureWidget;
class SerialFilter;
class WiringTableModel;

class ArrayPage : public QScrollArea {
  Q_OBJECT
 public:
  explicit ArrayPage(QWidget* parent = nullptr);
  void SetPlan(const PlanView* plan, double tmin_c);
  ArrayPictureWidget* picture() const { return picture_; }

 private:
  ArrayPictureWidget* picture_ = nullptr;
};

class WiringTablePage : public QWidget {
  Q_OBJECT
 public:
  explicit WiringTablePage(QWidget* parent = nullptr);
  void SetPlan(const PlanView* plan);
  // Shows the rows whose serial number contains `text`; returns the plan's
  // cell of the row found first (an exact match first), or -1.
  int Search(const QString& text);
  // The selected rows, or all shown, as text for the clipboard; the number of rows.
  int CopyRows();

  WiringTableModel* model() const { return model_; }
  SerialFilter* filter() const { return filter_; }
  QLabel* search_label() const { return search_label_; }
  QString search_text() const;

 signals:
  void Searched(int cell);
  void Copied(int rows);

 private:
  const PlanView* plan_ = nullptr;
  QLineEdit* search_ = nullptr;
  QLabel* search_label_ = nullptr;
  QTableView* table_ = nullptr;
  WiringTableModel* model_ = nullptr;
  SerialFilter* filter_ = nullptr;
};

// Each string's Σ Vpm and current against their means.
class StringChartsPage : public QSplitter {
  Q_OBJECT
 public:
  explicit StringChartsPage(QWidget* parent = nullptr);
  void Show(const PlanView& plan);

 private:
  QChartView* voltage_ = nullptr;
  QChartView* current_ = nullptr;
};

// The array's I-V and P-V curves of the wiring shown, or what they need.
class CurvePage : public QStackedWidget {
  Q_OBJECT
 public:
  explicit CurvePage(QWidget* parent = nullptr);
  void Show(const Document* doc, ShownWiring wiring);

 private:
  QLabel* note_ = nullptr;
  QChartView* chart_ = nullptr;
};

// The inverter window of the result's wiring: heading, table and chart.
class InverterWindowPage : public QStackedWidget {
  Q_OBJECT
 public:
  explicit InverterWindowPage(QWidget* parent = nullptr);
  void Show(const Document* doc);
  QTableWidget* table() const { return table_; }

 private:
  QLabel* note_ = nullptr;
  QLabel* heading_ = nullptr;
  QTableWidget* table_ = nullptr;
  QChartView* chart_ = nullptr;
};

// The commissioning check of the result's wiring, or how to make one. The
// table's columns are CommissionColumn's, then the further items' (shown
// between the Isc deviation and the verdict, only when a measurement holds one).
class CommissionPage : public QStackedWidget {
  Q_OBJECT
 public:
  explicit CommissionPage(QWidget* parent = nullptr);
  void Show(const Document* doc, const std::optional<CommissionCheck>& check);
  QTableWidget* table() const { return table_; }
  QLabel* summary() const { return summary_; }
  // Which strings made each test item and which did not.
  QLabel* test_items() const { return items_; }
  // The table's column of kFurtherItems[k].
  static int FurtherColumn(std::size_t k) { return kCommissionColumns + static_cast<int>(k); }

 private:
  QLabel* note_ = nullptr;
  QLabel* heading_ = nullptr;
  QLabel* summary_ = nullptr;
  QLabel* items_ = nullptr;
  QTableWidget* table_ = nullptr;
};

// A chart in the viewer's fonts, replacing the one shown.
void SetChart(QChartView* view, class QChart* chart);

}  // namespace voltrigg::viewer
