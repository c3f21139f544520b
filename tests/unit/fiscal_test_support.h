// Helpers of the fiscal tests: the shop whose Sintegra report they ask for.
#pragma once

#include "fiscal/sintegra.h"

// The shop's request for March 2026, every text field filled as typed.
inline SintegraRequest ShopRequest() {
  SintegraRequest request;
  request.month_year = "03/2026";
  request.name = "Mercado Sol";
  request.street = "Rua das Flores";
  request.number = "12";
  request.complement = "sala 2";
  request.district = "Centro";
  request.city = "Campinas";
  request.cep = "12340-000";
  request.phone = "1932323232";
  request.fax = "1932320000";
  request.contact = "Ana";
  return request;
}
