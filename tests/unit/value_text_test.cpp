#include <gtest/gtest.h>

#include "app/list_grammar.h"
#include "form/number_text.h"

using namespace velmor;

TEST(NumberText, RealIsWrittenInTheGeneralFormatWithTheLocaleSeparator) {
    EXPECT_EQ(formatReal(0, ','), "0");
    EXPECT_EQ(formatReal(1.8, ','), "1,8");
    EXPECT_EQ(formatReal(1.8, '.'), "1.8");
    EXPECT_EQ(formatReal(0.0005, ','), "0,0005");
    EXPECT_EQ(formatReal(0.0001, ','), "0,0001");
    EXPECT_EQ(formatReal(0.00001, ','), "1E-5");
    EXPECT_EQ(formatReal(-0.00000015, ','), "-1,5E-7");
    EXPECT_EQ(formatReal(1e20, ','), "1E20");
    EXPECT_EQ(formatReal(123456789012345.0, ','), "123456789012345");
    EXPECT_EQ(formatReal(0.1 + 0.2, ','), "0,3");  // 15 significant digits
    EXPECT_EQ(formatReal(-12.5, ','), "-12,5");
}

TEST(NumberText, RealIsReadWithEitherSeparatorAndAnExponent) {
    EXPECT_EQ(parseReal("1,8"), 1.8);
    EXPECT_EQ(parseReal("1.8"), 1.8);
    EXPECT_EQ(parseReal(" -12,5 "), -12.5);
    EXPECT_EQ(parseReal("1E-5"), 1e-5);
    EXPECT_EQ(parseReal("1,5e+3"), 1500.0);
    EXPECT_EQ(parseReal("+3"), 3.0);
    EXPECT_EQ(parseReal(",5"), 0.5);
    for (const char* bad :
         {"", "-", "1,2,3", "1.2.3", "abc", "1e", "inf", "nan", "1 000", "0x10", "1e999"}) {
        EXPECT_FALSE(parseReal(bad).has_value()) << bad;
    }
    // What is written is read back exactly.
    for (double v : {0.0005, 1.8, 123.456, 1e-7, 99999999.99, -0.0002}) {
        EXPECT_EQ(parseReal(formatReal(v, ',')), v);
    }
}

TEST(NumberText, IntegersStrictAndLenient) {
    EXPECT_EQ(parseDecimal("42"), 42);
    EXPECT_EQ(parseDecimal("-7"), -7);
    EXPECT_EQ(parseDecimal("+7"), 7);
    EXPECT_EQ(parseDecimal("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(parseDecimal("-9223372036854775808"), INT64_MIN);
    for (const char* bad : {"", "-", "12a", "1.0", "9223372036854775808", "0x10", " "}) {
        EXPECT_FALSE(parseDecimal(bad).has_value()) << bad;
    }
    EXPECT_EQ(parseIntOr("0x1F", 5), 31);
    EXPECT_EQ(parseIntOr("300", 5), 300);
    EXPECT_EQ(parseIntOr("abc", 5), 5);
    EXPECT_EQ(parseIntOr("", 5), 5);
    EXPECT_EQ(parseIntOr("0xZZ", 5), 5);
    EXPECT_EQ(notAnIntegerMessage("x1"), "'x1' is not a valid integer value");
}

TEST(NumberText, FixedTwoDecimals) {
    EXPECT_EQ(formatFixed(1048.0 / 1024, 2, ','), "1,02");
    EXPECT_EQ(formatFixed(0, 2, ','), "0,00");
    EXPECT_EQ(formatFixed(-0.001, 2, ','), "0,00");
    EXPECT_EQ(formatFixed(12.5, 2, '.'), "12.50");
}

TEST(NumberText, LineSpeedInKilobits) {
    EXPECT_EQ(kilobitsText(33600, ','), "33,6");
    EXPECT_EQ(kilobitsText(115200, ','), "115,2");
    EXPECT_EQ(kilobitsText(64000, ','), "64");
    EXPECT_EQ(kilobitsText(37333, '.'), "37.333");
    EXPECT_EQ(kilobitsText(2050, ','), "2,05");
    EXPECT_EQ(kilobitsText(999, ','), "0,999");
    EXPECT_EQ(kilobitsText(0, ','), "0");
    EXPECT_EQ(lineSpeedText(2050, ','), "Скорость 2,05 Кбит/с");
}

TEST(ListGrammar, Phones) {
    EXPECT_EQ(parsePhoneValue("123-45-67"), (PhoneItem{"123-45-67", ItemMark::Normal}));
    EXPECT_EQ(parsePhoneValue("9,555{disabled}"), (PhoneItem{"9,555", ItemMark::Excluded}));
    EXPECT_EQ(parsePhoneValue("{disabled}"), (PhoneItem{"", ItemMark::Excluded}));
    EXPECT_EQ(formatPhoneValue({"555", ItemMark::Excluded}), "555{disabled}");
    EXPECT_EQ(formatPhoneValue({"555", ItemMark::InUse}), "555");
}

TEST(ListGrammar, LoginValuesInAllTheirForms) {
    EXPECT_EQ(parseLoginValue("QUJD{12.5}+"), (StoredLogin{"QUJD", "12.5", '+', false}));
    EXPECT_EQ(parseLoginValue("QUJD{0}{disabled}-"), (StoredLogin{"QUJD", "0", '-', true}));
    EXPECT_EQ(parseLoginValue("QUJD{}+"), (StoredLogin{"QUJD", "0", '+', false}));
    EXPECT_EQ(parseLoginValue("QUJD{5}"), (StoredLogin{"QUJD", "5", '+', false}));
    // Base64 alone, even ending in "+", is the whole login.
    EXPECT_EQ(parseLoginValue("QUJ+"), (StoredLogin{"QUJ+", "0", '+', false}));
    EXPECT_EQ(parseLoginValue("QU+/"), (StoredLogin{"QU+/", "0", '+', false}));
    // A "+" that ends the Base64 text before the money part is not a flag.
    EXPECT_EQ(parseLoginValue("QUJ+{3}"), (StoredLogin{"QUJ+", "3", '+', false}));
    EXPECT_EQ(parseLoginValue("QUJ+{3}-"), (StoredLogin{"QUJ+", "3", '-', false}));
    // Older hand-written forms.
    EXPECT_EQ(parseLoginValue("QUJD{disabled}+"), (StoredLogin{"QUJD", "0", '+', true}));
    EXPECT_EQ(parseLoginValue("QUJD{7"), (StoredLogin{"QUJD", "7", '+', false}));
    for (const StoredLogin& s :
         {StoredLogin{"QUJ+", "12,5", '-', true}, StoredLogin{"", "0", '+', false},
          StoredLogin{"QUJDRA==", "-3", '+', false}}) {
        EXPECT_EQ(parseLoginValue(formatLoginValue(s)), s);
    }
    EXPECT_EQ(formatLoginValue({"QUJD", "1", '-', true}), "QUJD{1}{disabled}-");
}
