#include "subs.h"

#include <limits>

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStringList>

#include "AppDeclarations.h"
#include "frmMain.h"
#include "indicator_shape.h"
#include "texts.h"

namespace {

// Adds `delta` to the number the counter shows. The count has no limits of its own; at the
// ends of a 64-bit number it stays put rather than wrap.
void AddToCounter(QLabel *counter, int delta) {
    qint64 value = counter->text().trimmed().toLongLong();
    if (delta > 0 && value < std::numeric_limits<qint64>::max())
        ++value;
    else if (delta < 0 && value > std::numeric_limits<qint64>::min())
        --value;
    counter->setText(Texts::Decimal(value));
}

} // namespace

void ShowDeviceInfo(frmMain &form, int16_t &index) {
    if (index < 0 || index >= kDeviceSlots)
        return;
    SelectedDevice = index;
    const DeviceRecord &record = Devices[SelectedDevice];
    const QString &lineBreak = Texts::kLineBreak;
    // The text fields are taken whole, NULs included; the box keeps each text only up to its
    // first NUL, which the line breaks after the name and before the input count make up for.
    const QString number = Texts::SpacedDecimal(qint64{SelectedDevice} + 1);
    const QString productName =
        Texts::Field(record.ProductName, sizeof record.ProductName, sizeof record.ProductName);
    const QString serialNumber =
        Texts::Field(record.SerialNumber, sizeof record.SerialNumber, sizeof record.SerialNumber);

    QFont font = form.TextBox1->font();
    font.setBold(false);
    form.TextBox1->setFont(font);
    form.SetTextBox1(QString());
    form.SetTextBox1(QStringLiteral("Device: ") + number + lineBreak);
    form.AppendTextBox1(QStringLiteral("Device Type: ") + productName + lineBreak);
    frmMain::SetCaption(form.StatusBar1, QStringLiteral(" Device: ") + number +
                                             QStringLiteral("   Device Type: ") + productName);
    form.AppendTextBox1(lineBreak);
    form.AppendTextBox1(QStringLiteral("  Vendor ID: ") + Texts::Hex(record.VendorID) + lineBreak);
    form.AppendTextBox1(QStringLiteral("  Product ID: ") + Texts::Hex(record.ProductID) +
                        lineBreak);
    form.AppendTextBox1(Texts::VersionLine(record.VersionNumber) + lineBreak);
    form.AppendTextBox1(QStringLiteral("  Serial Num: ") + serialNumber);
    form.AppendTextBox1(lineBreak + QStringLiteral("  Data Inputs: ") +
                        Texts::Decimal(record.InputCount));
    form.AppendTextBox1(lineBreak);
    for (IndicatorShape *shape : form.Shape)
        shape->SetFillColor(IndicatorShape::kOff);
}

void DrawInputPage(frmMain &form, int16_t &firstInput) {
    form.CWlist->clear();
    form.CCWlist->clear();
    frmMain::SetCaption(form.Counter_label, QStringLiteral("0"));
    QStringList numbers;
    numbers.reserve(kPageInputs);
    for (int i = 0; i < kPageInputs; ++i) {
        // Wider than 16 bits: the last page of the largest input count numbers up to 32768.
        const int number = int{firstInput} + i;
        form.SetIndicatorNumber(i, Texts::Decimal(number));
        form.Shape[i]->Tag = false;
        numbers.append(Texts::SpacedDecimal(number));
    }
    form.CWlist->addItems(numbers);
    form.CCWlist->addItems(numbers);
    form.CWlist->setCurrentIndex(-1);
    form.CCWlist->setCurrentIndex(-1);
}

void UpdateIndicators(frmMain &form, int16_t &index) {
    if (index != SelectedDevice)
        return;
    const int pageStart = int{CurrentPage} * kPageInputs;
    const int clockwise = form.CWlist->currentIndex();
    const int counterClockwise = form.CCWlist->currentIndex();
    for (int i = 0; i < kPageInputs; ++i) {
        // Inputs beyond the buffer (pages past the library's 512 inputs) read as off.
        const int position = pageStart + i;
        const bool inBuffer = position >= 0 && position < kInputDataSize;
        IndicatorShape *shape = form.Shape[i];
        if (inBuffer && InputData[position] == 1) {
            shape->SetFillColor(IndicatorShape::kOn);
            if (!shape->Tag) {
                if (clockwise == i)
                    AddToCounter(form.Counter_label, +1);
                if (counterClockwise == i)
                    AddToCounter(form.Counter_label, -1);
            }
            shape->Tag = true;
        } else {
            shape->SetFillColor(IndicatorShape::kOff);
            shape->Tag = false;
        }
    }
}
