<?xml version="1.0" encoding="UTF-8"?>
<!-- The default CSV export of a sales document: one header line, then one line per line
     item, each text quoted with its quotes doubled. Replace this file to export other
     columns. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="text" encoding="UTF-8"/>

  <!-- The value between quotes, every quote inside doubled. A spreadsheet takes a field
       that begins with =, +, -, @, a tab or a carriage return for a formula, so such a
       field gets an apostrophe in front and stays text; only in an amount column does a
       negative number (a minus and then digits and separators alone) stay a number. -->
  <xsl:template name="field">
    <xsl:param name="value"/>
    <xsl:param name="amount" select="false()"/>
    <xsl:variable name="text" select="string($value)"/>
    <xsl:variable name="first" select="substring($text, 1, 1)"/>
    <xsl:text>"</xsl:text>
    <xsl:if test="$first != '' and contains('=+-@&#9;&#13;', $first) and
                  not($amount and $first = '-' and string-length($text) &gt; 1 and
                      translate(substring($text, 2), '0123456789.,&#32;&#160;&#8239;', '') = '')">
      <xsl:text>'</xsl:text>
    </xsl:if>
    <xsl:call-template name="doubled">
      <xsl:with-param name="text" select="$text"/>
    </xsl:call-template>
    <xsl:text>"</xsl:text>
  </xsl:template>

  <xsl:template name="doubled">
    <xsl:param name="text"/>
    <xsl:choose>
      <xsl:when test="contains($text, '&quot;')">
        <xsl:value-of select="substring-before($text, '&quot;')"/>
        <xsl:text>""</xsl:text>
        <xsl:call-template name="doubled">
          <xsl:with-param name="text" select="substring-after($text, '&quot;')"/>
        </xsl:call-template>
      </xsl:when>
      <xsl:otherwise>
        <xsl:value-of select="$text"/>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <xsl:template match="/">
    <xsl:variable name="d" select="/*"/>
    <xsl:text>Type,Number,Date,Customer,Line,Item Type,Item,Description,Quantity,Rate,Amount,Tax Code&#13;&#10;</xsl:text>
    <xsl:for-each select="$d/LINEITEM">
      <xsl:call-template name="field"><xsl:with-param name="value" select="$d/@DOCTYPE"/></xsl:call-template>
      <xsl:text>,</xsl:text>
      <xsl:call-template name="field"><xsl:with-param name="value" select="$d/@ID"/></xsl:call-template>
      <xsl:text>,</xsl:text>
      <xsl:call-template name="field"><xsl:with-param name="value" select="$d/@DATE"/></xsl:call-template>
      <xsl:text>,</xsl:text>
      <xsl:call-template name="field">
        <xsl:with-param name="value" select="($d/CUSTOMER/FULLNAME[string(.)] | $d/CUSTOMER/NAME[string(.)])[1]"/>
      </xsl:call-template>
      <xsl:text>,</xsl:text>
      <xsl:call-template name="field"><xsl:with-param name="value" select="@ID"/></xsl:call-template>
      <xsl:text>,</xsl:text>
      <xsl:call-template name="field"><xsl:with-param name="value" select="TYPE"/></xsl:call-template>
      <xsl:text>,</xsl:text>
      <xsl:call-template name="field"><xsl:with-param name="value" select="NAME"/></xsl:call-template>
      <xsl:text>,</xsl:text>
      <xsl:call-template name="field"><xsl:with-param name="value" select="DESCRIPTION"/></xsl:call-template>
      <xsl:text>,</xsl:text>
      <xsl:call-template name="field">
        <xsl:with-param name="value" select="QUANTITY"/>
        <xsl:with-param name="amount" select="true()"/>
      </xsl:call-template>
      <xsl:text>,</xsl:text>
      <xsl:call-template name="field">
        <xsl:with-param name="value" select="PRICE"/>
        <xsl:with-param name="amount" select="true()"/>
      </xsl:call-template>
      <xsl:text>,</xsl:text>
      <xsl:call-template name="field">
        <xsl:with-param name="value" select="TOTAL"/>
        <xsl:with-param name="amount" select="true()"/>
      </xsl:call-template>
      <xsl:text>,</xsl:text>
      <xsl:call-template name="field"><xsl:with-param name="value" select="TAXABLE"/></xsl:call-template>
      <xsl:text>&#13;&#10;</xsl:text>
    </xsl:for-each>
  </xsl:template>
</xsl:stylesheet>
