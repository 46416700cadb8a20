// The number edit: what its text stands for when it is left, and the keys it takes.
#include <gtest/gtest.h>

#include <QKeyEvent>

#include "form/number_edit.h"
#include "ui/widgets.h"
#include "ui_test_support.h"

namespace velmor::test {
namespace {

TEST(NumberEdit, LeavingReadsTheTextAsTheEditDoes) {
    EXPECT_EQ(numberEditValue("12,5", ',', ' '), 12.5);
    EXPECT_EQ(numberEditValue("1 234,50", ',', ' '), 1234.5) << "thousands skipped";
    EXPECT_EQ(numberEditValue("-3,25", ',', ' '), -3.25);
    EXPECT_EQ(numberEditValue("4-5", ',', ' '), 45.0) << "a sign only in front";
    EXPECT_EQ(numberEditValue("руб. 7,5 д.е.", ',', ' '), 7.5) << "anything else dropped";
    EXPECT_EQ(numberEditValue("1.5", '.', ','), 1.5);
    EXPECT_EQ(numberEditValue("1,234.5", '.', ','), 1234.5);
    EXPECT_EQ(numberEditValue("", ',', ' '), 0.0);
    EXPECT_EQ(numberEditValue("abc", ',', ' '), 0.0);
    // No number left: the edit keeps its value.
    EXPECT_EQ(numberEditValue("1,2,3", ',', ' '), std::nullopt);
    EXPECT_EQ(numberEditValue("-", ',', ' '), std::nullopt);
    EXPECT_EQ(numberEditValue(",", ',', ' '), std::nullopt);
}

TEST(NumberEdit, TakesDigitsOneSeparatorAndALeadingSign) {
    NumberLineEdit edit;
    edit.setDecimalSeparator(QLatin1Char(','));
    typeText(&edit, QStringLiteral("-12a,5,7.+"));
    EXPECT_EQ(edit.text(), QStringLiteral("-12,57"));
    edit.selectAll();
    typeText(&edit, QStringLiteral("3,"));
    EXPECT_EQ(edit.text(), QStringLiteral("3,")) << "the selected separator is replaced";
    EXPECT_EQ(edit.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
}

}  // namespace
}  // namespace velmor::test
