// Brazilian identifiers of the fiscal files: CNPJ and CPF check digits, and
// the siglas of the 27 federative units.
#pragma once

#include <string_view>

// 1 for 14 digits, not all zeros, whose two check digits are right.
int ValidCnpj(std::string_view digits);

// 1 for 11 digits, not all zeros, whose two check digits are right.
int ValidCpf(std::string_view digits);

// 1 for a valid CNPJ, or a valid CPF written in 14 digits as "000" and its
// 11.
int ValidCnpjOrCpf(std::string_view digits);

// 1 when text is the sigla of one of the 27 federative units ("SP", "DF");
// "EX" (exterior) is none.
int IsUf(std::string_view text);
