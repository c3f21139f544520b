#include "codecs/br_ids.h"

#include "codecs/digits.h"

int ValidCnpj(std::string_view d) {
  if (d.size() != 14 || !AllDigits(d) || AllZeros(d)) return 0;
  static const int w1[] = {5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
  static const int w2[] = {6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
  int s = 0;
  for (int i = 0; i < 12; ++i) s += (d[(std::size_t)i] - '0') * w1[i];
  int dv1 = s % 11 < 2 ? 0 : 11 - s % 11;
  s = 0;
  for (int i = 0; i < 13; ++i) s += (d[(std::size_t)i] - '0') * w2[i];
  int dv2 = s % 11 < 2 ? 0 : 11 - s % 11;
  return d[12] - '0' == dv1 && d[13] - '0' == dv2;
}

int ValidCpf(std::string_view d) {
  if (d.size() != 11 || !AllDigits(d) || AllZeros(d)) return 0;
  int s = 0;
  for (int i = 0; i < 9; ++i) s += (d[(std::size_t)i] - '0') * (10 - i);
  int dv1 = (s * 10) % 11 % 10;
  s = 0;
  for (int i = 0; i < 10; ++i) s += (d[(std::size_t)i] - '0') * (11 - i);
  int dv2 = (s * 10) % 11 % 10;
  return d[9] - '0' == dv1 && d[10] - '0' == dv2;
}

int ValidCnpjOrCpf(std::string_view d) {
  return ValidCnpj(d) || (d.size() == 14 && d.substr(0, 3) == "000" && ValidCpf(d.substr(3)));
}

int IsUf(std::string_view s) {
  static const char* const kUfs[] = {"AC", "AL", "AP", "AM", "BA", "CE", "DF", "ES", "GO",
                                     "MA", "MT", "MS", "MG", "PA", "PB", "PR", "PE", "PI",
                                     "RJ", "RN", "RS", "RO", "RR", "SC", "SP", "SE", "TO"};
  for (const char* uf : kUfs)
    if (s == uf) return 1;
  return 0;
}
