// The page of `hostagent serve`: the reports of `hostagent status --json`, embedded as they are
// and laid out by a small script of the page itself, so the page shows exactly what the command
// says and needs nothing from outside.

#include <filesystem>
#include <regex>
#include <set>
#include <stdexcept>

#include "hostagent/host_records.h"
#include "hostagent/serve_command.h"

namespace hostagent {

namespace {

namespace fs = std::filesystem;

// Lays the reports out; every text goes in as text, never as markup.
const char* const kScript = R"js(
const caixas = JSON.parse(document.getElementById('dados').textContent);
const raiz = document.getElementById('caixas');
function el(tag, texto, classe) {
  const e = document.createElement(tag);
  if (texto !== undefined && texto !== null) e.textContent = texto;
  if (classe) e.className = classe;
  return e;
}
function idade(s) {
  if (s === null || s === undefined) return '?';
  if (s < 120) return s + ' s';
  if (s < 7200) return Math.floor(s / 60) + ' min';
  if (s < 172800) return Math.floor(s / 3600) + ' h';
  return Math.floor(s / 86400) + ' dias';
}
function tabela(secao, titulo, erro, linhas, colunas) {
  secao.appendChild(el('h3', titulo + ': ' + (erro ? '?' : linhas.length)));
  if (erro) { secao.appendChild(el('p', erro, 'falha')); return; }
  if (!linhas.length) return;
  const t = el('table');
  const cab = el('tr');
  colunas.forEach(c => cab.appendChild(el('th', c[0])));
  t.appendChild(cab);
  linhas.forEach(l => {
    const tr = el('tr');
    colunas.forEach(c => { const v = c[1](l); tr.appendChild(el('td', v[0], v[1])); });
    t.appendChild(tr);
  });
  secao.appendChild(t);
}
function falhas(s) {
  const lista = s.erros.slice();
  if (s.certificado.erro && lista.indexOf(s.certificado.erro) < 0) lista.push(s.certificado.erro);
  if (s.certificado.dias !== null && s.certificado.dias < 0) lista.push('certificado vencido');
  return lista;
}
function certificado(c) {
  if (c.erro) return c.erro;
  if (!c.arquivo) return 'nenhum (CAIXAFISCAL.DSARQCERTIF vazio)';
  return c.arquivo + ': ' + (c.dias < 0 ? 'vencido' : c.dias + ' dias restantes') +
         ' (valido ate ' + c.validade_utc + ' UTC)';
}
function caixa(c) {
  const s = c.status, secao = el('section');
  secao.appendChild(el('h2', 'Filial ' + s.filial + ', caixa ' + s.caixa + ', loja ' + s.loja));
  if (!c.encontrado) {
    secao.appendChild(el('p', 'Caixa nao encontrado no banco (tabela CAIXA)', 'falha'));
    return secao;
  }
  const f = falhas(s);
  secao.appendChild(el('h3', 'Falhas do caixa: ' + f.length));
  f.forEach(t => secao.appendChild(el('p', t, 'falha')));
  secao.appendChild(el('p', 'THREAD: ' + (s.thread.em_execucao ? 'em execucao (processo ' +
      s.thread.pid + ')' : 'parada'), s.thread.em_execucao ? '' : 'aviso'));
  const p = s.ultima_passagem;
  secao.appendChild(el('p', 'Ultima passagem: ' +
      (p ? p.quando + ' (' + p.situacao_texto + ')' : 'nenhuma registrada')));
  secao.appendChild(el('p', 'Certificado: ' + certificado(s.certificado)));
  tabela(secao, 'Pedidos pendentes', s.erro_pedidos_pendentes, s.pedidos_pendentes, [
    ['Pedido', p => [p.pedido]], ['Comanda', p => [p.nrcomanda]],
    ['Aberto ha', p => [idade(p.idade_s)]],
    ['Ultima falha', p => [p.ultima_falha ? p.ultima_falha_quando + ': ' + p.ultima_falha :
                           'nenhuma no log', p.ultima_falha ? 'falha' : '']],
    ['Nova tentativa', p => [p.aguarda_dados_exportados ? 'quando os dados exportados forem ' +
        'corrigidos' : p.espera_s === null ? 'a cada passagem' : 'apos ' + p.espera_s + ' s']]]);
  tabela(secao, 'Vendas com documento ou recibo pendente', s.erro_vendas_pendentes,
         s.vendas_pendentes, [
    ['Venda', v => [v.nrseqvenda]], ['Pendente', v => [v.pendente + ' ' + v.situacao]],
    ['Ha', v => [idade(v.idade_s)]], ['Erro', v => [v.erro, v.erro ? 'falha' : '']],
    ['O que acontece', v => [v.acao]]]);
  tabela(secao, 'Notas aguardando a SEFAZ', s.erro_notas_contingencia, s.notas_contingencia, [
    ['Chave', n => [n.chave]], ['Venda', n => [n.nrseqvenda]], ['Situacao', n => [n.situacao]],
    ['Emitida ha', n => [idade(n.idade_s) + ' de 24 h',
                         n.idade_s !== null && n.idade_s > 20 * 3600 ? 'falha' : '']],
    ['Envios', n => [String(n.envios)]], ['Motivo', n => [n.motivo]]]);
  if (s.cancelamentos_sem_resposta.length) {
    tabela(secao, 'Cancelamentos de NFC-e enviados sem resposta', null,
           s.cancelamentos_sem_resposta, [
      ['Chave', c => [c.chave]], ['O que fazer', c => [c.acao, 'falha']]]);
  }
  secao.appendChild(el('p', 'Lido em ' + s.agora, 'nota'));
  return secao;
}
caixas.forEach(c => raiz.appendChild(caixa(c)));
if (!caixas.length) raiz.appendChild(el('p', 'Nenhum caixa em Dados/Caixa.ini', 'falha'));
)js";

const char* const kStyle =
    "body{font-family:sans-serif;margin:1em;color:#222}section{border:1px solid #ccc;"
    "padding:.5em 1em;margin-bottom:1em}table{border-collapse:collapse}td,th{border:1px solid "
    "#ddd;padding:.2em .5em;text-align:left;vertical-align:top}.falha{color:#b00000;"
    "font-weight:bold}.aviso{color:#a05a00}.nota{color:#777;font-size:small}";

// The JSON text as the content of a script element: "</" cannot end it early.
std::string InScript(const std::string& json) {
  std::string text;
  for (size_t i = 0; i < json.size(); ++i) {
    text += json[i];
    if (json[i] == '<' && i + 1 < json.size() && json[i + 1] == '/') text += '\\';
  }
  return text;
}

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '<') {
      out += "&lt;";
    } else if (c == '&') {
      out += "&amp;";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::vector<StatusOptions> RegistersOf(const std::string& dir) {
  std::vector<StatusOptions> registers;
  std::set<std::string> seen;
  const auto add = [&](const std::string& f, const std::string& c, const std::string& l) {
    if (!seen.insert(f + "/" + c + "/" + l).second) return;
    StatusOptions o;
    o.dir = dir;
    o.filial = f;
    o.caixa = c;
    o.loja = l;
    registers.push_back(o);
  };
  try {
    std::string f, c, l;
    FillRegister(dir, f, c, l);
    add(f, c, l);
  } catch (const std::invalid_argument&) {
    // No Dados/Caixa.ini: the registers the host ran are still shown.
  }
  const std::regex record(R"(THREAD_([^_]+)_([^_]+)_([^_]+)\.(pass|lock))");
  std::set<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(dir + "/Dados", error)) {
    names.insert(entry.path().filename().string());
  }
  for (const std::string& name : names) {
    std::smatch m;
    if (std::regex_match(name, m, record)) add(m[1], m[2], m[3]);
  }
  return registers;
}

std::string RegistersJson(const std::string& dir) {
  std::string json = "[";
  for (const StatusOptions& o : RegistersOf(dir)) {
    const StatusReport report = CollectStatus(o);
    json += std::string(json.size() > 1 ? "," : "") +
            "{\"encontrado\":" + (report.caixa_existe ? "true" : "false") +
            ",\"status\":" + StatusJson(report) + "}";
  }
  return json + "]";
}

std::string StatusPage(const std::string& dir) {
  return "<!DOCTYPE html>\n<html lang=\"pt-BR\"><head><meta charset=\"utf-8\">"
         "<meta http-equiv=\"refresh\" content=\"" +
         std::to_string(kRecargaSegundos) +
         "\"><title>Fechamento automatico - caixas</title><style>" + kStyle +
         "</style></head><body><h1>Fechamento automatico: " + Escaped(dir) +
         "</h1><div id=\"caixas\"></div><script id=\"dados\" type=\"application/json\">" +
         InScript(RegistersJson(dir)) + "</script><script>" + kScript +
         "</script><noscript>Esta pagina precisa de JavaScript; a mesma situacao sai em "
         "/status.json e em hostagent status.</noscript></body></html>\n";
}

}  // namespace hostagent
