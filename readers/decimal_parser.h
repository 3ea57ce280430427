// Decimal numbers in the text readers' lines and tags, and in route files read back.
#ifndef WAYFOLD_DECIMAL_PARSER_H
#define WAYFOLD_DECIMAL_PARSER_H

// atof's rule, decimal only and independent of the locale: leading white space, then
// the longest prefix of optional sign, digits, optional point and fraction, optional
// exponent; 0.0 when the text begins with no number. Never yields "nan", "inf" or a
// hexadecimal value, and rounds correctly.
double ParseDecimal(const char *text);
// The same, and in end the character after the number read (text itself when there is none).
double ParseDecimalEnd(const char *text, const char **end);

#endif
