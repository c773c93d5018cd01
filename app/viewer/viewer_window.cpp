#include "viewer_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScatterSeries>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QShortcut>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <QValueAxis>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "array_picture.h"
#include "assess_view.h"
#include "commission/measurement_file.h"
#include "commission_report.h"
#include "file_names.h"
#include "inverter_window_view.h"
#include "wiring_plan.h"
#include "wiring_table.h"

namespace voltrigg::viewer {

namespace {

constexpr int kMaxRecent = 8;
const QString kRecentKey = QStringLiteral("recentFiles");

std::string LocalPath(const QString& path) { return PathBytes(path); }

QString ShownName(const std::string& path) { return DecodeBytes(std::filesystem::path(path).filename().string()); }

QValueAxis* Axis(const QString& title) {
  auto* axis = new QValueAxis;
  axis->setTitleText(title);
  return axis;
}

QChart* StringChart(const PlanView& plan, bool voltage) {
  auto* chart = new QChart;
  chart->setTitle(voltage ? QStringLiteral("ストリング電圧 ΣVpm と平均") : QStringLiteral("ストリング電流と平均"));
  auto* values = new QLineSeries;
  values->setName(voltage
                      ? QStringLiteral("ΣVpm [V]")
                      : (!plan.strings.empty() && plan.strings.front().physics ? QStringLiteral("電流 (最大電力点) [A]")
                                                                               : QStringLiteral("電流 (計画) [A]")));
  values->setPointsVisible(true);
  auto* mean = new QLineSeries;
  const double m = voltage ? plan.mean_string_voltage_v : plan.mean_string_current_a;
  mean->setName(
      QStringLiteral("平均 %1 %2").arg(Fixed(m, voltage ? 1 : 3), voltage ? QStringLiteral("V") : QStringLiteral("A")));
  QPen dashed(QColor(120, 120, 120));
  dashed.setStyle(Qt::DashLine);
  dashed.setWidthF(1.5);
  mean->setPen(dashed);
  auto* over = new QScatterSeries;
  over->setName(QStringLiteral("電圧上限超過"));
  over->setColor(QColor(200, 0, 0));
  over->setMarkerSize(11);
  double low = m;
  double high = m;
  for (const StringSummary& s : plan.strings) {
    const double y = voltage ? s.vpm_sum_v : PlanView::Current(s);
    values->append(s.string_no, y);
    if (s.over_limit) over->append(s.string_no, y);
    low = std::min(low, y);
    high = std::max(high, y);
  }
  mean->append(0.5, m);
  mean->append(plan.parallel + 0.5, m);
  chart->addSeries(values);
  chart->addSeries(mean);
  if (over->count() > 0) {
    chart->addSeries(over);
  } else {
    delete over;
  }
  QValueAxis* x = Axis(QStringLiteral("ストリング"));
  x->setRange(0.5, plan.parallel + 0.5);
  x->setLabelFormat(QStringLiteral("%d"));
  x->setTickType(QValueAxis::TicksDynamic);
  x->setTickAnchor(plan.parallel <= 40 ? 1 : 5);
  // Every string labelled while the labels fit; beyond, every fifth.
  x->setTickInterval(plan.parallel <= 40 ? 1 : 5);
  QValueAxis* y = Axis(voltage ? QStringLiteral("電圧 [V]") : QStringLiteral("電流 [A]"));
  const double pad = std::max((high - low) * 0.15, std::fabs(m) * 0.002 + 1e-6);
  y->setRange(low - pad, high + pad);
  y->applyNiceNumbers();  // round tick values, shown without trailing zeros
  y->setLabelFormat(QStringLiteral("%g"));
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  for (QAbstractSeries* s : chart->series()) {
    s->attachAxis(x);
    s->attachAxis(y);
  }
  return chart;
}

QChart* CurveChart(const PhysicalFigures& f, const QString& wiring) {
  auto* chart = new QChart;
  chart->setTitle(QStringLiteral("アレイの I-V・P-V 曲線 (%1)").arg(wiring));
  auto* iv = new QLineSeries;
  iv->setName(QStringLiteral("電流 [A]"));
  auto* pv = new QLineSeries;
  pv->setName(QStringLiteral("電力 [W]"));
  double v_max = 0;
  double i_max = 0;
  double p_max = 0;
  for (const QPointF& pt : f.iv_curve) {
    iv->append(pt);
    pv->append(pt.x(), pt.x() * pt.y());
    v_max = std::max(v_max, pt.x());
    i_max = std::max(i_max, pt.y());
    p_max = std::max(p_max, pt.x() * pt.y());
  }
  auto* mpp = new QScatterSeries;
  mpp->setName(
      QStringLiteral("最大電力点 %1 W (%2 V, %3 A)").arg(Fixed(f.pmp_w, 1), Fixed(f.vmp_v, 1), Fixed(f.imp_a, 3)));
  mpp->setColor(QColor(200, 0, 0));
  mpp->setMarkerSize(12);
  mpp->append(f.vmp_v, f.pmp_w);
  auto* mpp_i = new QScatterSeries;
  mpp_i->setName(QStringLiteral("最大電力点の電流"));
  mpp_i->setColor(QColor(200, 0, 0));
  mpp_i->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
  mpp_i->setMarkerSize(9);
  mpp_i->append(f.vmp_v, f.imp_a);
  chart->addSeries(iv);
  chart->addSeries(mpp_i);
  chart->addSeries(pv);
  chart->addSeries(mpp);
  QValueAxis* x = Axis(QStringLiteral("電圧 [V]"));
  x->setRange(0, std::max(1.0, v_max * 1.02));
  QValueAxis* yi = Axis(QStringLiteral("電流 [A]"));
  yi->setRange(0, std::max(1.0, i_max * 1.08));
  QValueAxis* yp = Axis(QStringLiteral("電力 [W]"));
  yp->setRange(0, std::max(1.0, std::max(p_max, f.pmp_w) * 1.08));
  for (QValueAxis* axis : {x, yi, yp}) {
    axis->applyNiceNumbers();  // round tick values, shown without trailing zeros
    axis->setLabelFormat(QStringLiteral("%g"));
  }
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(yi, Qt::AlignLeft);
  chart->addAxis(yp, Qt::AlignRight);
  for (QAbstractSeries* s : {static_cast<QAbstractSeries*>(iv), static_cast<QAbstractSeries*>(mpp_i)}) {
    s->attachAxis(x);
    s->attachAxis(yi);
  }
  for (QAbstractSeries* s : {static_cast<QAbstractSeries*>(pv), static_cast<QAbstractSeries*>(mpp)}) {
    s->attachAxis(x);
    s->attachAxis(yp);
  }
  return chart;
}

void SetChart(QChartView* view, QChart* chart) {
  QChart* old = view->chart();
  chart->setFont(ViewerFont());
  chart->legend()->setFont(ViewerFont());
  chart->setTitleFont([] {
    QFont f = ViewerFont();
    f.setBold(true);
    return f;
  }());
  view->setChart(chart);
  delete old;
}

}  // namespace

QFont ViewerFont() {
  QFont font;
  font.setFamilies({QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans CJK JP"),
                    QStringLiteral("VL PGothic")});
  font.setPixelSize(13);
  return font;
}

ViewerWindow::ViewerWindow(const AssessOptions& options, std::string modules_path, QWidget* parent)
    : QMainWindow(parent), options_(options), modules_path_(std::move(modules_path)) {
  setWindowTitle(QStringLiteral("Voltrigg 結果ビューア"));
  setAcceptDrops(true);
  BuildMenus();

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->addWidget(BuildSummary());

  tabs_ = new QTabWidget(central);
  picture_ = new ArrayPictureWidget;
  picture_scroll_ = new QScrollArea;
  picture_scroll_->setWidget(picture_);
  picture_scroll_->setWidgetResizable(false);
  picture_scroll_->setBackgroundRole(QPalette::Base);
  // The labels and row-end figures are painted at the shown edges: repaint on every scroll.
  connect(picture_scroll_->horizontalScrollBar(), &QScrollBar::valueChanged, picture_, qOverload<>(&QWidget::update));
  tabs_->addTab(picture_scroll_, QStringLiteral("アレイ図"));
  tabs_->addTab(BuildTablePage(), QStringLiteral("配線表"));

  auto* charts = new QSplitter(Qt::Horizontal);
  voltage_chart_ = new QChartView;
  current_chart_ = new QChartView;
  for (QChartView* v : {voltage_chart_, current_chart_}) {
    v->setRenderHint(QPainter::Antialiasing);
    charts->addWidget(v);
  }
  tabs_->addTab(charts, QStringLiteral("ストリングのグラフ"));
  curve_stack_ = new QStackedWidget;
  curve_note_ = new QLabel;
  curve_note_->setAlignment(Qt::AlignCenter);
  curve_note_->setWordWrap(true);
  curve_chart_ = new QChartView;
  curve_chart_->setRenderHint(QPainter::Antialiasing);
  curve_stack_->addWidget(curve_note_);
  curve_stack_->addWidget(curve_chart_);
  tabs_->addTab(curve_stack_, QStringLiteral("I-V・P-V 曲線"));
  window_stack_ = new QStackedWidget;
  window_note_ = new QLabel;
  window_note_->setAlignment(Qt::AlignCenter);
  window_note_->setWordWrap(true);
  auto* window_page = new QWidget;
  auto* window_layout = new QVBoxLayout(window_page);
  window_heading_ = new QLabel;
  window_heading_->setWordWrap(true);
  window_heading_->setTextFormat(Qt::PlainText);
  window_layout->addWidget(window_heading_);
  window_table_ = new QTableWidget(0, 6);
  window_table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  window_table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  window_table_->verticalHeader()->setDefaultSectionSize(22);
  window_chart_ = new QChartView;
  window_chart_->setRenderHint(QPainter::Antialiasing);
  window_layout->addWidget(window_table_);
  window_layout->addWidget(window_chart_, 1);
  window_stack_->addWidget(window_note_);
  window_stack_->addWidget(window_page);
  tabs_->addTab(window_stack_, QStringLiteral("パワコン入力範囲"));
  commission_stack_ = new QStackedWidget;
  commission_note_ = new QLabel;
  commission_note_->setAlignment(Qt::AlignCenter);
  commission_note_->setWordWrap(true);
  commission_note_->setTextFormat(Qt::PlainText);
  auto* commission_tab = new QWidget;
  auto* commission_layout = new QVBoxLayout(commission_tab);
  commission_heading_ = new QLabel;
  commission_heading_->setWordWrap(true);
  commission_heading_->setTextFormat(Qt::PlainText);
  commission_heading_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  commission_summary_ = new QLabel;
  commission_summary_->setWordWrap(true);
  commission_summary_->setTextFormat(Qt::PlainText);
  QFont summary_font = ViewerFont();
  summary_font.setBold(true);
  summary_font.setPixelSize(15);
  commission_summary_->setFont(summary_font);
  commission_table_ = new QTableWidget(0, kCommissionColumns);
  QStringList heads;
  for (int c = 0; c < kCommissionColumns; ++c) heads << CommissionColumnName(c);
  commission_table_->setHorizontalHeaderLabels(heads);
  commission_table_->verticalHeader()->hide();
  commission_table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  commission_table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  commission_table_->verticalHeader()->setDefaultSectionSize(22);
  // The findings take what is left of the width, wrapped, however long they are.
  commission_table_->setWordWrap(true);
  commission_table_->horizontalHeader()->setStretchLastSection(true);
  commission_layout->addWidget(commission_heading_);
  commission_layout->addWidget(commission_summary_);
  commission_layout->addWidget(commission_table_, 1);
  commission_stack_->addWidget(commission_note_);
  commission_stack_->addWidget(commission_tab);
  tabs_->addTab(commission_stack_, QStringLiteral("試運転検査"));
  layout->addWidget(tabs_, 1);
  setCentralWidget(central);

  connect(picture_, &ArrayPictureWidget::CellClicked, this, [this](int cell) {
    statusBar()->showMessage(CellToolTip(plan_, cell)
                                 .remove(QRegularExpression(QStringLiteral("<[^>]*>")))
                                 .replace(QStringLiteral("&amp;"), QStringLiteral("&")));
  });
  statusBar()->showMessage(QStringLiteral("結果ファイルを開くか、ウィンドウにドロップしてください"));
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
  QAction* open = file->addAction(QStringLiteral("開く(&O)..."), this, &ViewerWindow::OpenDialog);
  open->setShortcut(QKeySequence::Open);
  recent_menu_ = file->addMenu(QStringLiteral("最近使ったファイル(&R)"));
  list_action_ = file->addAction(QStringLiteral("モジュールリストを指定(&M)..."), this, &ViewerWindow::ListDialog);
  list_action_->setStatusTip(QStringLiteral("結果ファイルと同じフォルダにないモジュールリストを選びます"));
  file->addSeparator();
  print_action_ = file->addAction(QStringLiteral("印刷(&P)..."), this, &ViewerWindow::PrintDialog);
  print_action_->setShortcut(QKeySequence::Print);
  export_action_ = file->addAction(QStringLiteral("PDF に書き出す(&E)..."), this, &ViewerWindow::ExportDialog);
  export_action_->setShortcut(QKeySequence(QStringLiteral("Ctrl+E")));
  json_action_ = file->addAction(QStringLiteral("評価を JSON で保存(&J)..."), this, &ViewerWindow::SaveJsonDialog);
  file->addSeparator();
  measurements_action_ =
      file->addAction(QStringLiteral("試運転検査の測定ファイルを開く(&K)..."), this, &ViewerWindow::MeasurementsDialog);
  measurements_action_->setStatusTip(QStringLiteral("各ストリングの測定した Voc と Isc を期待値と比べます"));
  report_print_action_ =
      file->addAction(QStringLiteral("試運転検査報告を印刷..."), this, &ViewerWindow::PrintReportDialog);
  report_pdf_action_ =
      file->addAction(QStringLiteral("試運転検査報告を PDF に書き出す..."), this, &ViewerWindow::ExportReportDialog);
  form_print_action_ = file->addAction(QStringLiteral("測定用紙を印刷..."), this, &ViewerWindow::PrintFormDialog);
  form_print_action_->setStatusTip(QStringLiteral("各ストリングの行に測定値を記入する空欄の用紙です"));
  form_pdf_action_ =
      file->addAction(QStringLiteral("測定用紙を PDF に書き出す..."), this, &ViewerWindow::ExportFormDialog);
  file->addSeparator();
  QAction* quit = file->addAction(QStringLiteral("終了(&Q)"), this, &QWidget::close);
  quit->setShortcut(QKeySequence::Quit);
  UpdateRecentMenu();
}

QWidget* ViewerWindow::BuildSummary() {
  auto* box = new QWidget;
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  title_ = new QLabel;
  QFont big = ViewerFont();
  big.setPixelSize(16);
  big.setBold(true);
  title_->setFont(big);
  title_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(title_);
  list_label_ = new QLabel;
  list_label_->setWordWrap(true);
  list_label_->setTextFormat(Qt::PlainText);
  layout->addWidget(list_label_);

  figures_ = new QTableWidget(0, 6);
  figures_->setHorizontalHeaderLabels({QStringLiteral("区分"), QStringLiteral("数値"), QStringLiteral("Pmax・Pmp [W]"),
                                       QStringLiteral("Vpm・Vmp [V]"), QStringLiteral("Ipm・Imp [A]"),
                                       QStringLiteral("ミスマッチ損失 [%]")});
  figures_->verticalHeader()->hide();
  figures_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  figures_->setSelectionBehavior(QAbstractItemView::SelectRows);
  figures_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  figures_->horizontalHeader()->setStretchLastSection(false);
  figures_->verticalHeader()->setDefaultSectionSize(22);
  layout->addWidget(figures_);

  verdict_ = new QLabel;
  verdict_->setWordWrap(true);
  verdict_->setTextFormat(Qt::PlainText);
  QFont bold = ViewerFont();
  bold.setBold(true);
  verdict_->setFont(bold);
  layout->addWidget(verdict_);
  window_verdict_ = new QLabel;
  window_verdict_->setWordWrap(true);
  window_verdict_->setTextFormat(Qt::PlainText);
  window_verdict_->setFont(bold);
  layout->addWidget(window_verdict_);

  auto* controls = new QHBoxLayout;
  controls->addWidget(new QLabel(QStringLiteral("表示する配線:")));
  wiring_box_ = new QComboBox;
  wiring_box_->addItem(WiringName(ShownWiring::Result));
  wiring_box_->addItem(WiringName(ShownWiring::Optimized));
  controls->addWidget(wiring_box_);
  controls->addSpacing(20);
  controls->addWidget(new QLabel(QStringLiteral("色分け:")));
  colour_box_ = new QComboBox;
  colour_box_->addItem(QStringLiteral("Ipm のストリング平均からの偏差 [%]"));
  colour_box_->addItem(QStringLiteral("Vpm のストリング平均からの偏差 [%]"));
  controls->addWidget(colour_box_);
  controls->addSpacing(20);
  fit_box_ = new QCheckBox(QStringLiteral("アレイ図を幅に合わせる"));
  controls->addWidget(fit_box_);
  connect(fit_box_, &QCheckBox::toggled, this, [this](bool fit) { picture_->SetFitToWidth(fit); });
  controls->addStretch(1);
  layout->addLayout(controls);
  connect(wiring_box_, &QComboBox::activated, this,
          [this](int i) { SetWiring(i == 1 ? ShownWiring::Optimized : ShownWiring::Result); });
  connect(colour_box_, &QComboBox::activated, this,
          [this](int i) { SetColourBy(i == 1 ? ColourBy::Vpm : ColourBy::Ipm); });
  return box;
}

QWidget* ViewerWindow::BuildTablePage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(QStringLiteral("シリアル番号で検索:")));
  search_ = new QLineEdit;
  search_->setPlaceholderText(QStringLiteral("シリアル番号を入力またはスキャン"));
  search_->setClearButtonEnabled(true);
  row->addWidget(search_, 1);
  auto* copy = new QPushButton(QStringLiteral("クリップボードにコピー"));
  copy->setToolTip(QStringLiteral("選択した行 (選択がなければ表示中の全行) をタブ区切りでコピーします"));
  row->addWidget(copy);
  layout->addLayout(row);
  search_label_ = new QLabel;
  search_label_->setTextFormat(Qt::PlainText);
  QFont bold = ViewerFont();
  bold.setBold(true);
  bold.setPixelSize(15);
  search_label_->setFont(bold);
  layout->addWidget(search_label_);

  table_model_ = new WiringTableModel(this);
  filter_ = new SerialFilter(this);
  filter_->setSourceModel(table_model_);
  table_ = new QTableView;
  table_->setModel(filter_);
  table_->setSortingEnabled(true);
  table_->sortByColumn(WiringTableModel::kString, Qt::AscendingOrder);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->setDefaultSectionSize(22);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  table_->horizontalHeader()->setSectionResizeMode(WiringTableModel::kSerial, QHeaderView::Stretch);
  layout->addWidget(table_, 1);

  connect(search_, &QLineEdit::textChanged, this, &ViewerWindow::Search);
  connect(search_, &QLineEdit::returnPressed, this, [this] { search_->selectAll(); });  // ready for the next scan
  connect(copy, &QPushButton::clicked, this, &ViewerWindow::CopyRows);
  auto* shortcut = new QShortcut(QKeySequence::Copy, table_);
  connect(shortcut, &QShortcut::activated, this, &ViewerWindow::CopyRows);
  return page;
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
    return QString::fromStdString(e.what());
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
  if (doc_->assessment && doc_->assessment->complete) {
    statusBar()->showMessage(QStringLiteral("最適化した配線とランダム配線の計算が終わりました"));
  } else {
    statusBar()->showMessage(doc_->assessment_note);
  }
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
    QMessageBox box(QMessageBox::Warning, windowTitle(), *error, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    statusBar()->showMessage(*error);
  }
}

void ViewerWindow::ShowDocument() {
  const bool open = doc_ != nullptr;
  print_action_->setEnabled(open);
  export_action_->setEnabled(open);
  list_action_->setEnabled(open);
  json_action_->setEnabled(open && doc_->assessment && doc_->assessment->same_as_cli);
  const bool checkable = open && doc_->list_state == ListState::Matches;
  measurements_action_->setEnabled(checkable);
  form_print_action_->setEnabled(checkable);
  form_pdf_action_->setEnabled(checkable);
  report_print_action_->setEnabled(check_.has_value());
  report_pdf_action_->setEnabled(check_.has_value());
  ShowCommission();
  if (!open) {
    title_->setText(QStringLiteral("結果ファイルが開かれていません"));
    list_label_->clear();
    verdict_->clear();
    window_verdict_->clear();
    figures_->setRowCount(0);
    wiring_box_->setEnabled(false);
    plan_ = PlanView{};
    ShowPlan();
    return;
  }
  const Document& d = *doc_;
  setWindowTitle(QStringLiteral("%1 - Voltrigg 結果ビューア").arg(ShownName(d.result_path)));
  title_->setText(QStringLiteral("%1    %2    入力ファイル: %3")
                      .arg(ShownName(d.result_path), ShapeText(d), DecodeBytes(d.result.InputName)));
  QString note = d.list_note;
  if (d.list_state != ListState::Matches) note += QStringLiteral("。結果ファイルの値だけを表示しています。");
  for (const QString& problem : d.list_problems) note += QStringLiteral("\n・") + problem;
  if (d.list_state == ListState::Matches && !d.assessment_note.isEmpty())
    note += QStringLiteral("\n・") + d.assessment_note;
  for (const QString& warning : d.list_warnings) note += QStringLiteral("\n・") + warning;
  list_label_->setText(note);
  list_label_->setStyleSheet(d.list_state == ListState::Matches && d.assessment_note.isEmpty() &&
                                     d.list_warnings.empty()
                                 ? QString()
                                 : QStringLiteral("color: #a04000;"));

  const std::vector<FigureRow> rows = FigureRows(d);
  figures_->setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const FigureRow& f = rows[static_cast<std::size_t>(r)];
    const QString cells[] = {f.group, f.name, f.power_w, f.voltage_v, f.current_a, f.loss_pct};
    for (int c = 0; c < 6; ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      item->setTextAlignment(c < 2 ? (Qt::AlignLeft | Qt::AlignVCenter) : (Qt::AlignRight | Qt::AlignVCenter));
      figures_->setItem(r, c, item);
    }
  }
  figures_->setFixedHeight(figures_->horizontalHeader()->height() + 22 * static_cast<int>(rows.size()) + 4);
  const bool optimized = d.assessment && d.assessment->complete;
  wiring_box_->setEnabled(optimized);
  wiring_box_->setToolTip(optimized      ? QString()
                          : d.assessment ? QStringLiteral("最適化した配線を計算しています")
                                         : QStringLiteral("最適化した配線には一致するモジュールリストが必要です"));
  if (!optimized) wiring_ = ShownWiring::Result;
  wiring_box_->setCurrentIndex(wiring_ == ShownWiring::Optimized ? 1 : 0);
  QString opened = QStringLiteral("%1 を開きました").arg(DecodeBytes(d.result_path));
  if (!d.list_warnings.empty()) opened += QStringLiteral("  ") + d.list_warnings.front();
  statusBar()->showMessage(opened);
  MakeShownPlan();
  ShowPlan();
}

void ViewerWindow::MakeShownPlan() {
  if (doc_ == nullptr) return;
  plan_ = MakePlan(*doc_, wiring_, colour_by_);
  // The check is of the result's wiring: its string numbers name other modules in the optimised one.
  if (check_ && wiring_ == ShownWiring::Result) MarkFailedStrings(plan_, check_->check);
}

void ViewerWindow::ShowCommission() {
  if (!check_) {
    QString note = QStringLiteral(
        "ファイル → 試運転検査の測定ファイルを開く… で、各ストリングの測定した開放電圧 Voc と短絡電流 Isc "
        "を、そのストリングのモジュールから期待される値と比べます。\n測定ファイル (列 string, voc_v, isc_a, "
        "irradiance_w_m2, module_temperature_c) はウィンドウにドロップしても開けます。測定用紙は ファイル → "
        "測定用紙を印刷 で作れます。");
    if (doc_ == nullptr) {
      note = QStringLiteral("結果ファイルを開いてください。\n") + note;
    } else if (doc_->list_state != ListState::Matches) {
      note +=
          QStringLiteral("\n\n試運転検査には、結果ファイルと一致し Voc と Isc を持つモジュールリストが必要です。\n") +
          doc_->list_note;
    }
    commission_note_->setText(note);
    commission_table_->setRowCount(0);
    commission_summary_->clear();
    commission_stack_->setCurrentWidget(commission_note_);
    return;
  }
  const Commissioning& c = check_->check;
  commission_heading_->setText(
      QStringLiteral("測定ファイル: %1    モジュールリスト: %2\n%3\n"
                     "不合格・未測定のストリングはアレイ図 (結果ファイルの配線) に赤枠で示します")
          .arg(DecodeBytes(check_->measurement_path), DecodeBytes(check_->list_path),
               CommissionConditionsText(c.conditions)));
  commission_summary_->setText(CommissionSummary(c));
  commission_summary_->setStyleSheet(c.ok ? QStringLiteral("color: #006e28;") : QStringLiteral("color: #c80000;"));
  FillCommissionTable(commission_table_, c);
  commission_table_->resizeColumnsToContents();
  commission_table_->horizontalHeader()->setSectionResizeMode(kColFindings, QHeaderView::Stretch);
  commission_table_->resizeRowsToContents();
  commission_stack_->setCurrentIndex(1);
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
  tabs_->setCurrentWidget(commission_stack_);
  statusBar()->showMessage(QStringLiteral("試運転検査: %1").arg(CommissionSummary(check_->check)));
  return std::nullopt;
}

void ViewerWindow::OpenMeasurements(const std::string& path) {
  if (const auto error = LoadMeasurements(path)) {
    Warn(*error);
    statusBar()->showMessage(*error);
  }
}

bool ViewerWindow::ExportCommissionReport(const QString& path, QString* error) {
  if (doc_ == nullptr || !check_) return false;
  return ExportCommissionReportPdf(*doc_, *check_, path, ViewerFont(), error);
}

bool ViewerWindow::ExportMeasurementForm(const QString& path, QString* error) {
  if (doc_ == nullptr) return false;
  const std::optional<MeasurementFormPrint> form = MakeMeasurementForm(*doc_, commission_options_, error);
  return form && ExportMeasurementFormPdf(*doc_, *form, path, ViewerFont(), error);
}

QString ViewerWindow::SuggestedPdf(const QString& suffix) const {
  const QFileInfo result(QString::fromStdString(doc_->result_path));
  return result.absolutePath() + QStringLiteral("/") + result.completeBaseName() + suffix;
}

void ViewerWindow::MeasurementsDialog() {
  if (doc_ == nullptr) return;
  const QString start = QFileInfo(QFile::decodeName(QByteArray::fromStdString(doc_->result_path))).absolutePath();
  const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("試運転検査の測定ファイルを開く"), start,
                                                    QStringLiteral("CSV ファイル (*.csv *.CSV);;すべてのファイル (*)"));
  if (!path.isEmpty()) OpenMeasurements(LocalPath(path));
}

namespace {

// A4 as the plan is printed; false when the dialog was cancelled.
bool AskPrinter(QPrinter& printer, const QString& title, QWidget* parent) {
  printer.setPageLayout(
      QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 12, 15, 10), QPageLayout::Millimeter));
  printer.setDocName(title);
  QPrintDialog dialog(&printer, parent);
  dialog.setWindowTitle(title);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace

void ViewerWindow::PrintReportDialog() {
  if (doc_ == nullptr || !check_) return;
  QPrinter printer(QPrinter::HighResolution);
  if (!AskPrinter(printer, QStringLiteral("試運転検査報告を印刷"), this)) return;
  const int pages = PaintCommissionReport(printer, MakeCommissionReport(*doc_, *check_), ViewerFont());
  statusBar()->showMessage(pages > 0 ? QStringLiteral("試運転検査報告 %1 ページを印刷しました").arg(pages)
                                     : QStringLiteral("印刷を開始できませんでした"));
}

void ViewerWindow::ExportReportDialog() {
  if (doc_ == nullptr || !check_) return;
  const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("試運転検査報告を PDF に書き出す"),
                                                    SuggestedPdf(QStringLiteral("-試運転検査報告.pdf")),
                                                    QStringLiteral("PDF ファイル (*.pdf)"));
  if (path.isEmpty()) return;
  QString error;
  if (ExportCommissionReport(path, &error)) {
    statusBar()->showMessage(QStringLiteral("%1 に書き出しました").arg(path));
  } else {
    Warn(error);
  }
}

void ViewerWindow::PrintFormDialog() {
  if (doc_ == nullptr) return;
  QString error;
  const std::optional<MeasurementFormPrint> form = MakeMeasurementForm(*doc_, commission_options_, &error);
  if (!form) {
    Warn(error);
    return;
  }
  QPrinter printer(QPrinter::HighResolution);
  if (!AskPrinter(printer, QStringLiteral("測定用紙を印刷"), this)) return;
  const int pages = PaintMeasurementForm(printer, *form, ViewerFont());
  statusBar()->showMessage(pages > 0 ? QStringLiteral("測定用紙 %1 ページを印刷しました").arg(pages)
                                     : QStringLiteral("印刷を開始できませんでした"));
}

void ViewerWindow::ExportFormDialog() {
  if (doc_ == nullptr) return;
  const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("測定用紙を PDF に書き出す"),
                                                    SuggestedPdf(QStringLiteral("-測定用紙.pdf")),
                                                    QStringLiteral("PDF ファイル (*.pdf)"));
  if (path.isEmpty()) return;
  QString error;
  if (ExportMeasurementForm(path, &error)) {
    statusBar()->showMessage(QStringLiteral("%1 に書き出しました").arg(path));
  } else {
    Warn(error);
  }
}

void ViewerWindow::ShowPlan() {
  picture_->SetPlan(&plan_, options_.conditions.tmin_c);
  table_model_->SetPlan(&plan_);
  table_->resizeColumnsToContents();
  if (doc_ != nullptr) {
    bool bad = false;
    verdict_->setText(VoltageVerdict(*doc_, plan_, &bad));
    verdict_->setStyleSheet(
        bad ? QStringLiteral("color: #c80000;")
            : (plan_.max_voc_cold_v ? QStringLiteral("color: #006e28;") : QStringLiteral("color: #606060;")));
  }
  // The inverter window is of the result's wiring, whichever wiring is shown.
  if (doc_ != nullptr && doc_->assessment) {
    const InverterWindow& w = doc_->assessment->core.inverter_window;
    window_verdict_->setText(WindowVerdictLine(w));
    window_verdict_->setStyleSheet(w.ok ? QStringLiteral("color: #006e28;") : QStringLiteral("color: #c80000;"));
  } else {
    window_verdict_->clear();
  }
  Search(search_->text());
  ShowCharts();
}

void ViewerWindow::ShowCharts() {
  SetChart(voltage_chart_, StringChart(plan_, true));
  SetChart(current_chart_, StringChart(plan_, false));
  if (doc_ != nullptr && doc_->assessment) {
    const PhysicalFigures& f =
        wiring_ == ShownWiring::Optimized ? doc_->assessment->optimized : doc_->assessment->result_wiring;
    SetChart(curve_chart_, CurveChart(f, WiringName(wiring_)));
    curve_stack_->setCurrentWidget(curve_chart_);
  } else {
    curve_note_->setText(
        doc_ == nullptr
            ? QString()
            : QStringLiteral("アレイの I-V・P-V 曲線には、結果ファイルと一致し Voc と Isc "
                             "を持つモジュールリストが必要です。\n") +
                  doc_->list_note +
                  (doc_->assessment_note.isEmpty() ? QString() : QStringLiteral("\n") + doc_->assessment_note));
    curve_stack_->setCurrentWidget(curve_note_);
  }
  if (doc_ != nullptr && doc_->assessment) {
    const InverterWindow& w = doc_->assessment->core.inverter_window;
    window_heading_->setText(InverterWindowHeading(w));
    window_heading_->setStyleSheet(w.ok ? QStringLiteral("color: #006e28; font-weight: bold;")
                                        : QStringLiteral("color: #c80000; font-weight: bold;"));
    FillInverterWindowTable(window_table_, w);
    window_table_->setFixedHeight(window_table_->horizontalHeader()->height() + 22 * window_table_->rowCount() + 4);
    SetChart(window_chart_, InverterWindowChart(w, doc_->assessment->window_curves));
    window_stack_->setCurrentIndex(1);
  } else {
    window_note_->setText(doc_ == nullptr ? QString()
                                          : QStringLiteral("パワコン入力範囲の検査には、結果ファイルと一致し Voc と "
                                                           "Isc を持つモジュールリストが必要です。"));
    window_stack_->setCurrentWidget(window_note_);
  }
}

void ViewerWindow::SetWiring(ShownWiring wiring) {
  if (wiring == ShownWiring::Optimized) FinishAssessment();
  if (doc_ == nullptr || (wiring == ShownWiring::Optimized && !(doc_->assessment && doc_->assessment->complete))) {
    wiring = ShownWiring::Result;
  }
  wiring_ = wiring;
  wiring_box_->setCurrentIndex(wiring == ShownWiring::Optimized ? 1 : 0);
  MakeShownPlan();
  ShowPlan();
}

void ViewerWindow::SetColourBy(ColourBy by) {
  colour_by_ = by;
  colour_box_->setCurrentIndex(by == ColourBy::Vpm ? 1 : 0);
  MakeShownPlan();
  ShowPlan();
}

void ViewerWindow::Search(const QString& text) {
  if (search_->text() != text) search_->setText(text);  // comes back here through textChanged
  filter_->SetText(text);
  const QString wanted = text.trimmed();
  if (wanted.isEmpty()) {
    search_label_->clear();
    table_->clearSelection();
    picture_->SetHighlight(-1);
    return;
  }
  if (filter_->rowCount() == 0) {
    search_label_->setText(QStringLiteral("シリアル番号「%1」のモジュールはこの配線にありません").arg(wanted));
    search_label_->setStyleSheet(QStringLiteral("color: #c80000;"));
    picture_->SetHighlight(-1);
    return;
  }
  int row = 0;  // an exact match first, else the first row found
  for (int r = 0; r < filter_->rowCount(); ++r) {
    if (filter_->index(r, WiringTableModel::kSerial).data().toString().compare(wanted, Qt::CaseInsensitive) == 0) {
      row = r;
      break;
    }
  }
  const int cell = filter_->mapToSource(filter_->index(row, 0)).row();
  const ModuleCell& c = plan_.cells[static_cast<std::size_t>(cell)];
  QString where = QStringLiteral("%1 → ストリング %2 の %3 番目 (モジュール番号 %4)")
                      .arg(c.serial)
                      .arg(c.string_no)
                      .arg(c.position)
                      .arg(QString::number(static_cast<double>(c.moduleNo), 'g', 9));
  if (filter_->rowCount() > 1) where += QStringLiteral("    ほかに %1 件").arg(filter_->rowCount() - 1);
  search_label_->setText(where);
  search_label_->setStyleSheet(QString());
  table_->selectRow(row);
  table_->scrollTo(filter_->index(row, 0));
  picture_->SetHighlight(cell);
}

void ViewerWindow::CopyRows() {
  QList<int> rows;
  for (const QModelIndex& i : table_->selectionModel()->selectedRows()) rows << i.row();
  std::sort(rows.begin(), rows.end());
  QApplication::clipboard()->setText(RowsAsText(*filter_, rows));
  statusBar()->showMessage(
      QStringLiteral("%1 行をクリップボードにコピーしました").arg(rows.isEmpty() ? filter_->rowCount() : rows.size()));
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

void ViewerWindow::Warn(const QString& text) {
  QMessageBox box(QMessageBox::Warning, windowTitle(), text, QMessageBox::Ok, this);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

void ViewerWindow::SaveJsonDialog() {
  if (doc_ == nullptr) return;
  const QFileInfo result(QString::fromStdString(doc_->result_path));
  const QString suggestion =
      result.absolutePath() + QStringLiteral("/") + result.completeBaseName() + QStringLiteral(".assessment.json");
  const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("評価を JSON で保存"), suggestion,
                                                    QStringLiteral("JSON ファイル (*.json)"));
  if (path.isEmpty()) return;
  QString error;
  if (SaveJson(path, &error)) {
    statusBar()->showMessage(QStringLiteral("%1 に保存しました").arg(path));
  } else {
    Warn(error);
  }
}

QString ViewerWindow::WiringPlanTitle() const {
  return doc_ == nullptr ? QString() : QStringLiteral("配線計画: %1").arg(ShownName(doc_->result_path));
}

void ViewerWindow::OpenDialog() {
  const QString start =
      doc_ != nullptr ? QFileInfo(QString::fromStdString(doc_->result_path)).absolutePath() : QString();
  const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("結果ファイルを開く"), start,
                                                    QStringLiteral("CSV ファイル (*.csv *.CSV);;すべてのファイル (*)"));
  if (!path.isEmpty()) Open(path);
}

void ViewerWindow::ListDialog() {
  if (doc_ == nullptr) return;
  const QString start = QFileInfo(QFile::decodeName(QByteArray::fromStdString(doc_->result_path))).absolutePath();
  const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("モジュールリストを指定"), start,
                                                    QStringLiteral("CSV ファイル (*.csv *.CSV);;すべてのファイル (*)"));
  if (path.isEmpty()) return;
  if (const auto error = UseList(LocalPath(path))) {
    QMessageBox box(QMessageBox::Warning, windowTitle(), *error, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
  }
}

void ViewerWindow::PrintDialog() {
  if (doc_ == nullptr) return;
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageLayout(
      QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 12, 15, 10), QPageLayout::Millimeter));
  printer.setDocName(WiringPlanTitle());
  QPrintDialog dialog(&printer, this);
  dialog.setWindowTitle(QStringLiteral("配線計画を印刷"));
  if (dialog.exec() != QDialog::Accepted) return;
  FinishAssessment();
  const PlanPrint print = MakePlanPrint(*doc_, plan_, wiring_);
  const int pages = PaintWiringPlan(printer, print, ViewerFont());
  statusBar()->showMessage(pages > 0 ? QStringLiteral("配線計画 %1 ページを印刷しました").arg(pages)
                                     : QStringLiteral("印刷を開始できませんでした"));
}

void ViewerWindow::ExportDialog() {
  if (doc_ == nullptr) return;
  const QFileInfo result(QString::fromStdString(doc_->result_path));
  const QString suggestion =
      result.absolutePath() + QStringLiteral("/") + result.completeBaseName() +
      (wiring_ == ShownWiring::Optimized ? QStringLiteral("-最適化配線計画.pdf") : QStringLiteral("-配線計画.pdf"));
  const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("配線計画を PDF に書き出す"), suggestion,
                                                    QStringLiteral("PDF ファイル (*.pdf)"));
  if (path.isEmpty()) return;
  QString error;
  if (ExportPdf(path, &error)) {
    statusBar()->showMessage(QStringLiteral("%1 に書き出しました").arg(path));
  } else {
    QMessageBox box(QMessageBox::Warning, windowTitle(), error, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
  }
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
  if (NamesMeasurementColumns(path)) {
    if (doc_ == nullptr) {
      Warn(QStringLiteral("測定ファイルを確かめる結果ファイルを先に開いてください: %1").arg(DecodeBytes(path)));
      return;
    }
    OpenMeasurements(path);
    return;
  }
  OpenFile(path);
}

}  // namespace voltrigg::viewer
