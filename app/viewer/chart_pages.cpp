#include <QChart>
#include <QChartView>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QScatterSeries>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "app/shared/inverter_window_texts.h"
#include "inverter_window_view.h"
#include "pages.h"

namespace voltrigg::viewer {

namespace {

constexpr int kCurvePoints = 400;

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

QChart* CurveChart(const PhysicalFigures& f, const std::vector<CurvePoint>& curve, const QString& wiring) {
  auto* chart = new QChart;
  chart->setTitle(QStringLiteral("アレイの I-V・P-V 曲線 (%1)").arg(wiring));
  auto* iv = new QLineSeries;
  iv->setName(QStringLiteral("電流 [A]"));
  auto* pv = new QLineSeries;
  pv->setName(QStringLiteral("電力 [W]"));
  double v_max = 0;
  double i_max = 0;
  double p_max = 0;
  for (const CurvePoint& point : curve) {
    const QPointF pt(point.voltage_v, point.current_a);
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

}  // namespace

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

StringChartsPage::StringChartsPage(QWidget* parent) : QSplitter(Qt::Horizontal, parent) {
  voltage_ = new QChartView;
  current_ = new QChartView;
  for (QChartView* v : {voltage_, current_}) {
    v->setRenderHint(QPainter::Antialiasing);
    addWidget(v);
  }
}

void StringChartsPage::Show(const PlanView& plan) {
  SetChart(voltage_, StringChart(plan, true));
  SetChart(current_, StringChart(plan, false));
}

CurvePage::CurvePage(QWidget* parent) : QStackedWidget(parent) {
  note_ = new QLabel;
  note_->setAlignment(Qt::AlignCenter);
  note_->setWordWrap(true);
  chart_ = new QChartView;
  chart_->setRenderHint(QPainter::Antialiasing);
  addWidget(note_);
  addWidget(chart_);
}

void CurvePage::Show(const Document* doc, ShownWiring wiring) {
  if (doc != nullptr && doc->assessment) {
    const AssessmentView& a = *doc->assessment;
    const bool optimized = wiring == ShownWiring::Optimized && a.complete;
    SetChart(chart_, CurveChart(optimized ? a.optimized : a.result_wiring, ArrayCurveOf(a, wiring, kCurvePoints),
                                WiringName(optimized ? ShownWiring::Optimized : ShownWiring::Result)));
    setCurrentWidget(chart_);
    return;
  }
  note_->setText(doc == nullptr
                     ? QString()
                     : QStringLiteral("アレイの I-V・P-V 曲線には、結果ファイルと一致し Voc と Isc "
                                      "を持つモジュールリストが必要です。\n") +
                           doc->list_note +
                           (doc->assessment_note.isEmpty() ? QString() : QStringLiteral("\n") + doc->assessment_note));
  setCurrentWidget(note_);
}

InverterWindowPage::InverterWindowPage(QWidget* parent) : QStackedWidget(parent) {
  note_ = new QLabel;
  note_->setAlignment(Qt::AlignCenter);
  note_->setWordWrap(true);
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  heading_ = new QLabel;
  heading_->setWordWrap(true);
  heading_->setTextFormat(Qt::PlainText);
  layout->addWidget(heading_);
  table_ = new QTableWidget(0, 6);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->verticalHeader()->setDefaultSectionSize(22);
  chart_ = new QChartView;
  chart_->setRenderHint(QPainter::Antialiasing);
  layout->addWidget(table_);
  layout->addWidget(chart_, 1);
  addWidget(note_);
  addWidget(page);
}

void InverterWindowPage::Show(const Document* doc) {
  if (doc != nullptr && doc->assessment) {
    const InverterWindow& w = doc->assessment->core.inverter_window;
    heading_->setText(Q(InverterWindowHeadingJa(w)));
    heading_->setStyleSheet(w.ok ? QStringLiteral("color: #006e28; font-weight: bold;")
                                 : QStringLiteral("color: #c80000; font-weight: bold;"));
    FillInverterWindowTable(table_, w);
    table_->setFixedHeight(table_->horizontalHeader()->height() + 22 * table_->rowCount() + 4);
    SetChart(chart_, InverterWindowChart(w, WindowCurvesOf(*doc->assessment, kCurvePoints)));
    setCurrentIndex(1);
    return;
  }
  note_->setText(doc == nullptr ? QString()
                                : QStringLiteral("パワコン入力範囲の検査には、結果ファイルと一致し Voc と "
                                                 "Isc を持つモジュールリストが必要です。"));
  setCurrentWidget(note_);
}

}  // namespace voltrigg::viewer
