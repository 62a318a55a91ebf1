#include "window_fixture.h"

#include <QComboBox>
#include <QLabel>

#include "ApiDeclarations.h"
#include "AppDeclarations.h"
#include "indicator_shape.h"
#include "sim_bus.h"

namespace {

void RaiseFatal(const QString &message) {
    throw FatalError(message.toStdString());
}

} // namespace

WindowFixture::WindowFixture() {
    frmMain::UseClassicStyle();
    Api::SetFatalHandler(RaiseFatal);
    ResetAppState();
    SimBus::Reset();
}

WindowFixture::~WindowFixture() {
    Close();
}

frmMain &WindowFixture::Load() {
    form_ = std::make_unique<frmMain>();
    form_->Form_Load();
    return *form_;
}

void WindowFixture::Tick(int count) {
    for (int i = 0; i < count; ++i) {
        form_->tmrContinuousDataCollect_Timer();
        ++ticks_;
    }
}

void WindowFixture::Close() {
    if (form_)
        form_->close();
    form_.reset();
}

QStringList WindowFixture::Items(const QComboBox *list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items.append(list->itemText(i));
    return items;
}

QStringList WindowFixture::Numbers() const {
    QStringList numbers;
    for (const QLabel *label : form_->Label)
        numbers.append(label->text());
    return numbers;
}

QList<int> WindowFixture::LitIndicators() const {
    QList<int> lit;
    for (int i = 0; i < 64; ++i)
        if (form_->Shape[i]->FillColor() == IndicatorShape::kOn)
            lit.append(i);
    return lit;
}
