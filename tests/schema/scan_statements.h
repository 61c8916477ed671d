#pragma once
// The two statements whose cost the store's indexes are made for, as the schema tests run them:
// the pending-order scan (SQLite runs it as written) and the sale check in SQLite's words
// (dates are stored as 'YYYY-MM-DD 00:00:00' text).

namespace vyrtest {

inline constexpr char kPedExpKds[] =
    "SELECT DISTINCT CA.CDCAIXA, CA.IDIMPAUTCUPEXP, CV.CDFILIAL, CV.NRVENDAREST, CV.NRCOMANDA, "
    "CV.DSCOMANDA, CV.IDSTCOMANDA, CV.NRCOMANDAEXT, IC.NRPEDIDOVYR FROM CAIXA CA, COMANDAVEN CV, "
    "ITCOMANDAVEN IC WHERE CV.CDFILIAL = :P_CDFILIAL AND CV.CDLOJA = :P_CDLOJA AND "
    "CV.IDIMPCUPEXP = '2' AND CA.CDFILIAL = CV.CDFILIAL AND CA.CDLOJA = CV.CDLOJA AND CA.CDCAIXA "
    "= :P_CDCAIXA AND CA.IDIMPAUTCUPEXP = 'S' AND IC.CDFILIAL = CV.CDFILIAL AND IC.NRVENDAREST = "
    "CV.NRVENDAREST AND IC.NRPEDIDOVYR IS NOT NULL ORDER BY CV.CDFILIAL, CV.NRVENDAREST";

inline constexpr char kVendaSqlite[] =
    "SELECT NRSEQVENDA FROM VENDA VE, VENDAREST VR WHERE VE.CDFILIAL = VR.CDFILIAL AND VE.CDLOJA "
    "= VR.CDLOJA AND VE.NRVENDAREST = VR.NRVENDAREST AND VR.CDFILIAL = :P_CDFILIAL AND VR.CDLOJA "
    "= :P_CDLOJA AND VR.NRVENDAREST = :P_NRVENDAREST AND VE.DTENTRVENDA = "
    "strftime('%Y-%m-%d 00:00:00', 'now', 'localtime')";

}  // namespace vyrtest
